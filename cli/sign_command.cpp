#include <deque>

#include "cli/commands.h"
#include "cli/lines.h"
#include "cli/reporter.h"
#include "cli/system.h"
#include "cli/walk.h"
#include "sign/batch_signer.h"
#include "sign/sign_error.h"
#include "sign/utf8.h"

namespace firma::cli {

int sign_command(const Options& options) {
    Reporter reporter(options.progress);
    const LineStyle style{options.binary, options.tag, options.zero, backslash_separates_folders()};
    std::vector<std::string> operands = options.files;
    if (operands.empty()) operands.push_back("-");
    Walk walk(std::move(operands), options.recursive, options.follow_links);
    std::deque<WalkItem> in_flight;  // what each job stands for, oldest first
    int status = 0;

    const auto next = [&]() -> std::optional<BatchJob> {
        auto item = walk.next();
        if (!item) return std::nullopt;
        in_flight.push_back(*item);
        if (item->error || !item->skipped.empty()) return BatchJob{BatchJob::Kind::marker, {}};
        if (item->path == "-") {
            if (reporter.done() != nullptr) {
                const auto left = standard_input_left();
                if (left)
                    reporter.expect(*left);
                else
                    reporter.expect_unknown();  // a pipe or a terminal: only bytes and rate
            }
            return BatchJob{BatchJob::Kind::standard_input, "-", {}};
        }
        // Operands and walked names came from the system, so they convert.
        const std::filesystem::path path = path_of_utf8(item->name).value_or("");
        if (reporter.done() != nullptr) reporter.expect(regular_file_size(path, item->folder.get()).value_or(0));
        return BatchJob{BatchJob::Kind::file, path, item->folder, item->regular};
    };
    const auto deliver = [&](const BatchJob&, const BatchResult& result) {
        const WalkItem item = std::move(in_flight.front());
        in_flight.pop_front();
        if (!item.skipped.empty()) {  // a warning: the status stays as it is
            reporter.error(item.path, item.skipped);
            return;
        }
        const std::error_code error = item.error ? item.error : result.error;
        if (error == SignError::not_regular_file && item.regular) {  // replaced since the walk saw it
            reporter.error(item.path, skipped_now(item));
            return;
        }
        if (error) {
            reporter.error(item.path, reason_of(error));
            status = 1;
            return;
        }
        reporter.line(format_line(result.accumulator, item.path, style));
    };
    sign_batch(next, deliver, {options.jobs, 1024, reporter.done(), [&] { reporter.tick(); }});
    return status;
}

}  // namespace firma::cli
