#include <fmt/core.h>

#include <deque>

#include "cli/commands.h"
#include "cli/lines.h"
#include "cli/lists.h"
#include "cli/quote.h"
#include "cli/reporter.h"
#include "cli/system.h"
#include "sign/batch_signer.h"
#include "sign/utf8.h"

namespace firma::cli {
namespace {

// Counts for one list, and the report at its end.
struct Tally {
    std::size_t listed = 0, malformed = 0, matched = 0, mismatched = 0, unreadable = 0;
};

std::string plural(std::size_t count, const char* one, const char* many) {
    return fmt::format("{} {}", count, count == 1 ? one : many);
}

}  // namespace

int check_command(const Options& options) {
    Reporter reporter(options.progress);
    const bool show_failures = options.verbosity != Verbosity::status_only;
    const bool show_ok = options.verbosity == Verbosity::normal || options.verbosity == Verbosity::warn;
    std::vector<std::string> names = options.files;
    if (names.empty()) names.push_back("-");
    if (reporter.done() != nullptr) reporter.expect(listed_bytes(names));
    Lists lists(std::move(names));
    std::deque<std::pair<ListEntry, std::string>> in_flight;  // entry and its list's name
    Tally tally;
    int status = 0;

    const auto end_of_list = [&](const std::string& list) {
        const bool ok = tally.listed > 0 && tally.matched > 0 && tally.mismatched == 0 &&
                        tally.unreadable == 0 && (!options.strict || tally.malformed == 0);
        if (tally.listed == 0) {
            reporter.error(list, "no properly formatted checksum lines found");
        } else if (show_failures) {
            if (tally.malformed > 0)
                reporter.message("WARNING: " + plural(tally.malformed, "line is improperly formatted",
                                                      "lines are improperly formatted"));
            if (tally.unreadable > 0)
                reporter.message("WARNING: " + plural(tally.unreadable, "listed file could not be read",
                                                      "listed files could not be read"));
            if (tally.mismatched > 0)
                reporter.message("WARNING: " + plural(tally.mismatched, "computed checksum did NOT match",
                                                      "computed checksums did NOT match"));
            if (options.ignore_missing && tally.matched == 0) reporter.error(list, "no file was verified");
        }
        if (!ok) status = 1;
        tally = {};
    };

    const auto next = [&]() -> std::optional<BatchJob> {
        auto entry = lists.next();
        if (!entry) return std::nullopt;
        in_flight.emplace_back(*entry, lists.display_name());
        if (entry->kind != ListEntry::Kind::listed) return BatchJob{BatchJob::Kind::marker, {}};
        if (entry->file.name == "-") return BatchJob{BatchJob::Kind::standard_input, "-", {}};
        auto path = path_of_utf8(entry->file.name);
        if (!path) {  // on Windows, a name that is not UTF-8 names no file
            in_flight.back().first.error = std::make_error_code(std::errc::illegal_byte_sequence);
            return BatchJob{BatchJob::Kind::marker, {}};
        }
        return BatchJob{BatchJob::Kind::file, std::move(*path), {}};
    };
    const auto deliver = [&](const BatchJob&, const BatchResult& result) {
        const auto [entry, list] = std::move(in_flight.front());
        in_flight.pop_front();
        switch (entry.kind) {
            case ListEntry::Kind::unreadable_list:
                reporter.error(list, reason_of(entry.error));
                status = 1;
                return;
            case ListEntry::Kind::end_of_list: end_of_list(list); return;
            case ListEntry::Kind::malformed:
                ++tally.malformed;
                if (options.verbosity == Verbosity::warn)
                    reporter.error(list, fmt::format("{}: improperly formatted FIRMA checksum line", entry.line));
                return;
            case ListEntry::Kind::listed: break;
        }
        ++tally.listed;
        const std::string shown = check_display_name(entry.file.name);
        const std::error_code error = entry.error ? entry.error : result.error;
        if (error) {
            if (options.ignore_missing && error == std::errc::no_such_file_or_directory) return;
            ++tally.unreadable;
            reporter.error(entry.file.name, reason_of(error));
            if (show_failures) reporter.line(shown + ": FAILED open or read\n");
        } else if (result.accumulator == entry.file.signature) {
            ++tally.matched;
            if (show_ok) reporter.line(shown + ": OK\n");
        } else {
            ++tally.mismatched;
            if (show_failures) reporter.line(shown + ": FAILED\n");
        }
    };
    sign_batch(next, deliver, {options.jobs, 1024, reporter.done(), [&] { reporter.tick(); }});
    return status;
}

}  // namespace firma::cli
