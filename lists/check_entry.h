// Checking one entry of a list: what to sign for it, and what the result says
// of the file it names. Every face that checks lists decides the same way.
#pragma once

#include <filesystem>
#include <optional>
#include <system_error>

#include "lists/list_reader.h"
#include "sign/sign_request.h"

namespace firma {

// What checking `entry` takes: the file it names, or nothing for a line that
// only reports (a malformed one; a name no file can have here, for which
// `entry.error` is set). Relative names are looked for from `folder` when
// given, else from the current folder.
std::optional<SignRequest> request_for(ListEntry& entry, const std::filesystem::path& folder = {});

enum class Verdict {
    matched,     // the same signature as listed (and size and digest, where listed)
    mismatched,  // read, with another signature, size or digest
    missing,     // no file of that name
    unreadable,  // there, but not read to its end
};

struct EntryCheck {
    Verdict verdict = Verdict::matched;
    std::error_code error;  // why the file was not read
};

// What `result`, the signing of a listed entry's file, says of it.
EntryCheck check_entry(const ListEntry& entry, const BatchResult& result);

}  // namespace firma
