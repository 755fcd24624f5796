#include "cli/commands.h"
#include "lists/signature_lines.h"
#include "cli/reporter.h"
#include "cli/system.h"
#include "lists/list_files.h"
#include "lists/walk.h"
#include "sign/batch_signer.h"
#include "sign/sign_error.h"
#include "sign/system_errors.h"
#include "language/translation.h"
#include "sign/utf8.h"

namespace firma::cli {
namespace {

// What signing a walked item takes: nothing for an error or a skipped file,
// which only keep their place in the output.
std::optional<SignRequest> request_for(const WalkItem& item) {
    if (item.error || !item.skipped.empty()) return std::nullopt;
    if (item.path == "-") return SignRequest{SignRequest::Source::standard_input, "-"};
    // Operands and walked names came from the system, so they convert.
    return SignRequest{SignRequest::Source::file, path_of_utf8(item.name).value_or(""), item.folder, item.regular_only};
}

}  // namespace

int sign_command(const Options& options, std::vector<FileIdentity> leave_out) {
    Reporter reporter(options.progress);
    const LineStyle style{options.binary, options.tag, options.zero, backslash_separates_folders()};
    std::vector<std::string> operands = options.files;
    if (operands.empty()) operands.push_back("-");
    Walk walk(std::move(operands), options.recursive, options.follow_links, options.protected_files);
    int status = 0;
    bool folder_given = false;  // as an operand, without -r

    const auto next = [&]() -> std::optional<BatchItem<WalkItem>> {
        auto item = walk.next();
        if (!item) return std::nullopt;
        if (!item->error && names_no_file(item->name))  // a wildcard that matched nothing
            item->error = std::make_error_code(std::errc::no_such_file_or_directory);
        auto request = request_for(*item);
        if (request) request->digest = options.digest;
        return BatchItem<WalkItem>{std::move(*item), std::move(request)};
    };
    const auto deliver = [&](const WalkItem& item, const BatchResult& result) {
        if (!item.skipped.empty()) {  // a warning: the status stays as it is
            reporter.error(item.path, item.skipped);
            return;
        }
        const std::error_code error = item.error ? item.error : result.error;
        if (error == SignError::not_regular_file && item.regular_only) {  // replaced since the walk saw it
            reporter.error(item.path, skipped_now(item));
            return;
        }
        if (error == SignError::is_the_output) {  // a warning: the list is not missing anything
            reporter.error(item.path, reason_of(error));
            return;
        }
        if (error) {
            reporter.error(item.path, reason_of(error));
            folder_given = folder_given || (error == std::errc::is_a_directory && !options.recursive);
            status = 1;
            return;
        }
        reporter.line(format_line(result.accumulator, item.path, style, result.digest ? &*result.digest : nullptr));
    };
    BatchOptions batch{.files_at_once = options.jobs,
                       .progress = reporter.progress(),
                       .on_tick = [&] { reporter.tick(); },
                       .leave_out = std::move(leave_out)};
    // A list written to a file in a folder being signed (`firma -r . > list`,
    // or cmd creating the file before firma expands `*.txt`) never holds itself.
    if (const auto output = regular_file_identity(standard_output())) batch.leave_out.push_back(*output);
    for (const FileIdentity& written : files_the_reader_writes(options.files)) batch.leave_out.push_back(written);
    sign_in_order<WalkItem>(next, deliver, batch);
    if (folder_given) reporter.message(_("use -r to sign the files in a folder"));
    return status;
}

}  // namespace firma::cli
