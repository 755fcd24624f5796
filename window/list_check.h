// The rules of the window that checks a list, whatever toolkit draws it: one
// row per file with its state, the verdict in words, the counts, the rows
// "Solo problemas" keeps, a report to keep and rows to copy. The check feeds
// it what the batch engine and the audit find; the window only shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lists/list_reader.h"
#include "sign/sign_request.h"

enum class FileState {
    same,        // Igual: the same signature, and size and digest where listed
    changed,     // Cambiado
    missing,     // Falta
    added,       // Nuevo: below the list's folder, not in the list
    unreadable,  // No se pudo leer
};

struct CheckRow {
    std::string name;  // as the list holds it (UTF-8)
    FileState state = FileState::same;
    std::optional<std::uint32_t> recorded;  // the list's signature
    std::optional<std::uint32_t> current;   // the file's, where it was read
    std::string renamed_from;  // a new file with a missing file's signature: a hint only
    std::optional<std::int64_t> modified;  // seconds since 1970 (UTC), where the file was read
};

// The columns the window shows, in their order.
enum class CheckColumn { name, state, recorded, current, modified };

struct CheckCounts {
    std::size_t same = 0, changed = 0, missing = 0, added = 0, unreadable = 0;
    std::size_t problems() const { return changed + missing + added + unreadable; }
};

class ListCheck {
public:
    // A listed file's entry and what signing it gave.
    void listed(const firma::ListEntry& entry, const firma::BatchResult& result,
                std::optional<std::int64_t> modified = {});
    // A file below the list's folder that the list lacks, with its signature
    // where it could be read.
    void added(std::string name, std::optional<std::uint32_t> signature, std::optional<std::int64_t> modified = {});
    // The check is over, complete or cancelled: the rename hints are found.
    void finish(bool cancelled);
    // The list itself could not be read, for `reason`.
    void failed(std::string reason);

    const std::vector<CheckRow>& rows() const { return rows_; }
    const CheckCounts& counts() const { return counts_; }
    bool finished() const { return finished_; }
    // The rows "Solo problemas" shows (every row but the Igual ones), in order.
    std::vector<std::size_t> problem_rows() const;
    // The names of the Nuevo rows, for adding them to the list; nothing after a
    // cancelled check, which may not have found them all.
    std::vector<std::string> added_names() const;

    // In the user's language: what a state is called, and the verdict, which
    // never rests on colour alone.
    static std::string state_name(FileState state);
    std::string verdict() const;
    // The text of a row as the window shows it, "¿renombrado de X?" included.
    std::string state_text(const CheckRow& row) const;

    // Sorts `rows` (indices into rows()) by `column`, as a click on its
    // heading shows them: names and states as the user's file manager orders
    // names, signatures and times by value, a blank before any value. Rows
    // that compare equal keep their order.
    void sort_rows(std::vector<std::size_t>& rows, CheckColumn column, bool ascending) const;

    // A report a person can keep (UTF-8 with a byte-order mark, so that every
    // Notepad reads it right; CRLF line ends): the list, when, the verdict,
    // the counts and every row that is not Igual.
    std::string report(const std::string& list, const std::string& when) const;
    // The given rows as tab-separated columns with a heading, to paste into a
    // spreadsheet.
    std::string copy(const std::vector<std::size_t>& rows) const;

private:
    std::vector<CheckRow> rows_;
    CheckCounts counts_;
    bool finished_ = false;
    bool cancelled_ = false;
    std::string failure_;
};
