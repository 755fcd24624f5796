#include <fmt/core.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "cli/commands.h"
#include "language/messages.h"
#include "cli/quote.h"
#include "cli/reporter.h"
#include "lists/audit.h"
#include "lists/check_entry.h"
#include "lists/list_reader.h"
#include "lists/signature_lines.h"
#include "cli/system.h"
#include "sign/batch_signer.h"
#include "sign/system_errors.h"
#include "language/translation.h"
#include "sign/utf8.h"

namespace firma::cli {
namespace {

// Whether a list lies in another folder than the current one.
bool elsewhere(const std::string& list) {
    const auto path = path_of_utf8(list);
    if (list == "-" || !path) return false;
    std::error_code error;
    const auto folder = std::filesystem::absolute(*path, error).parent_path();
    return !error && !std::filesystem::equivalent(folder, std::filesystem::current_path(error), error);
}

// The verdicts of one list at a time, and the report at each list's end.
class Checker {
public:
    Checker(const Options& options, Reporter& reporter)
        : options_(options),
          reporter_(reporter),
          show_failures_(options.verbosity != Verbosity::status_only),
          show_ok_(options.verbosity == Verbosity::normal || options.verbosity == Verbosity::warn) {}

    int status() const { return status_; }

    void report(const std::string& list, const ListEntry& entry, const BatchResult& result) {
        if (!entry.malformed) return verdict(entry, result);
        ++tally_.malformed;
        if (options_.verbosity == Verbosity::warn)
            reporter_.error(list, format_message(N_("{}: improperly formatted FIRMA checksum line"), entry.line));
    }

    // With --audit: a file below the list's folder that the list lacks.
    void unlisted(const std::string& path) {
        ++tally_.unlisted;
        if (show_failures_) reporter_.line(check_display_name(path) + ": " + _("NEW") + "\n");
    }

    void unreadable_in_folder(const std::string& path, const std::error_code& error) {
        reporter_.error(path, reason_of(error));
        ++tally_.folder_errors;
    }

    // A list that could not be opened or read to its end gets no summary.
    void end_of_list(const std::string& list, const std::error_code& error) {
        if (error) {
            reporter_.error(list, reason_of(error));
            status_ = 1;
        } else {
            summary(list);
        }
        tally_ = {};
    }

private:
    void verdict(const ListEntry& entry, const BatchResult& result) {
        ++tally_.listed;
        const std::string shown = check_display_name(entry.file.name);
        const auto [verdict, error] = check_entry(entry, result);
        if (error) {
            if (options_.ignore_missing && verdict == Verdict::missing) return;
            ++tally_.unreadable;
            if (verdict == Verdict::missing) ++tally_.missing;
            reporter_.error(entry.file.name, reason_of(error));
            if (show_failures_) reporter_.line(shown + ": " + _("FAILED open or read") + "\n");
        } else if (verdict == Verdict::matched) {
            ++tally_.matched;
            if (show_ok_) reporter_.line(shown + ": " + _("OK") + "\n");
        } else {
            ++tally_.mismatched;
            if (show_failures_) reporter_.line(shown + ": " + _("FAILED") + "\n");
        }
    }

    void summary(const std::string& list) {
        const bool ok = tally_.listed > 0 && tally_.matched > 0 && tally_.mismatched == 0 && tally_.unreadable == 0 &&
                        (!options_.strict || tally_.malformed == 0) && tally_.unlisted == 0 &&
                        tally_.folder_errors == 0;
        if (tally_.listed == 0) {
            reporter_.error(list, _("no properly formatted checksum lines found"));
        } else if (show_failures_) {
            if (tally_.malformed > 0)
                reporter_.message(counted_message(tally_.malformed, "WARNING: {} line is improperly formatted",
                                                  "WARNING: {} lines are improperly formatted"));
            if (tally_.unreadable > 0)
                reporter_.message(counted_message(tally_.unreadable, "WARNING: {} listed file could not be read",
                                                  "WARNING: {} listed files could not be read"));
            if (tally_.mismatched > 0)
                reporter_.message(counted_message(tally_.mismatched, "WARNING: {} computed checksum did NOT match",
                                                  "WARNING: {} computed checksums did NOT match"));
            if (options_.ignore_missing && tally_.matched == 0) reporter_.error(list, _("no file was verified"));
            // Names are read from where firma runs, which a list from another
            // folder may not expect.
            if (tally_.missing == tally_.listed && !options_.audit && elsewhere(list))
                reporter_.message(_("names in a list are looked for from the current folder, not the list's"));
            if (options_.audit)
                reporter_.message(format_message(N_("{}: OK {}, changed {}, missing {}, unreadable {}, new {}"), list,
                                                 tally_.matched, tally_.mismatched, tally_.missing,
                                                 tally_.unreadable - tally_.missing, tally_.unlisted));
        }
        if (!ok) status_ = 1;
    }

    // Counts for one list.
    struct Tally {
        std::size_t listed = 0, malformed = 0, matched = 0, mismatched = 0, unreadable = 0, missing = 0;
        std::size_t unlisted = 0, folder_errors = 0;  // --audit
    };

    const Options& options_;
    Reporter& reporter_;
    bool show_failures_;
    bool show_ok_;
    Tally tally_;
    int status_ = 0;
};

}  // namespace

int check_command(const Options& options) {
    Reporter reporter(options.progress);
    std::vector<std::string> names = options.files;
    if (names.empty()) names.push_back("-");
    Checker checker(options, reporter);
    ListParser parser;  // the form the first list shows holds for the rest
    for (const std::string& name : names) {
        ListReader list(name, parser);
        const std::string shown = list.display_name();
        // An audit takes the list to cover its own folder: names are looked
        // for from there, wherever firma runs.
        const std::filesystem::path folder = options.audit ? folder_of_list(name) : std::filesystem::path();
        ListedNames listed(folder);
        const auto next = [&]() -> std::optional<BatchItem<ListEntry>> {
            auto entry = list.next();
            if (!entry) return std::nullopt;
            auto request = request_for(*entry, folder);
            if (options.audit && request && request->source == SignRequest::Source::file) listed.add(request->path);
            return BatchItem<ListEntry>{std::move(*entry), std::move(request)};
        };
        const auto deliver = [&](const ListEntry& entry, const BatchResult& result) {
            checker.report(shown, entry, result);
        };
        sign_in_order<ListEntry>(next, deliver,
                                 {.files_at_once = options.jobs,
                                  .progress = reporter.progress(),
                                  .on_tick = [&] { reporter.tick(); },
                                  .next_may_wait = [&] { return list.next_may_wait(); }});
        if (options.audit && !list.error())
            find_unlisted(
                name, listed, [&](const std::string& path) { checker.unlisted(path); },
                [&](const std::string& path, const std::error_code& error) { checker.unreadable_in_folder(path, error); });
        checker.end_of_list(shown, list.error());
    }
    return checker.status();
}

}  // namespace firma::cli
