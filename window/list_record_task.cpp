#include "window/list_record_task.h"

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "lists/list_file_writer.h"
#include "lists/list_files.h"
#include "lists/name_order.h"
#include "lists/signature_lines.h"
#include "lists/walk.h"
#include "sign/batch_signer.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"

namespace {

struct Cancelled {};

}  // namespace

bool ListRecordTask::start(std::filesystem::path folder, std::filesystem::path list) {
    return work_.start([this, folder = std::move(folder), list = std::move(list)](std::stop_token stop) {
        run(folder, list, stop);
    });
}

ListRecordTask::Progress ListRecordTask::progress() {
    work_.looked();
    const std::lock_guard lock(mutex_);
    return progress_;
}

std::optional<ListRecordTask::Outcome> ListRecordTask::outcome() {
    work_.looked();
    const std::lock_guard lock(mutex_);
    return outcome_;
}

void ListRecordTask::run(const std::filesystem::path& folder, const std::filesystem::path& list, std::stop_token stop) {
    const std::string root = firma::utf8_of_path(folder);
    const std::string list_name = firma::utf8_of_path(list.filename());
    // Names are relative to the list's own folder, where checks look for them:
    // a list saved elsewhere names the folder's files through it, and does
    // not hold its own folder whole.
    std::error_code ignored;
    const auto from_list = std::filesystem::absolute(folder, ignored)
                               .lexically_normal()
                               .lexically_relative(std::filesystem::absolute(list, ignored).parent_path());
    const bool list_inside = from_list == ".";
    const std::string prefix = list_inside || from_list.empty() ? std::string() : firma::utf8_of_path(from_list / "");
    // A walked item's name as the list holds it; nothing for the list itself.
    const auto relative = [&](const firma::WalkItem& item) -> std::optional<std::string> {
        std::string name = item.path.substr(std::min(item.path.size(), root.size() + 1));
        if (list_inside && firma::comparable_name(name) == firma::comparable_name(list_name)) return std::nullopt;
        return prefix + name;
    };
    const auto check_stop = [&] {
        if (stop.stop_requested()) throw Cancelled{};
    };
    Outcome outcome;
    try {
        std::size_t total = 0;
        for (firma::Walk walk({root}, true, false); auto item = walk.next();) {
            check_stop();
            if (!item->error && item->skipped.empty() && relative(*item)) ++total;
        }
        {
            const std::lock_guard lock(mutex_);
            progress_.total = total;
        }
        firma::ListFileWriter writer(list);
        if (list_inside) writer.write(std::string(firma::kWholeFolderMark) + "\n");
        const firma::LineStyle style{.backslash_separates = firma::backslash_separates_folders()};
        std::vector<std::pair<std::string, std::string>> lines;  // name, line: sorted before they are written
        lines.reserve(total);
        firma::Walk walk({root}, true, false);
        firma::sign_in_order<std::optional<std::string>>(
            [&]() -> std::optional<firma::BatchItem<std::optional<std::string>>> {
                check_stop();
                for (;;) {
                    auto item = walk.next();
                    if (!item) return std::nullopt;
                    if (item->error || !item->skipped.empty()) continue;
                    auto name = relative(*item);
                    if (!name) continue;
                    firma::SignRequest request{firma::SignRequest::Source::file,
                                               firma::path_of_utf8(item->name).value_or(""), item->folder,
                                               item->regular_only};
                    request.digest = true;
                    return firma::BatchItem<std::optional<std::string>>{std::move(name), std::move(request)};
                }
            },
            [&](const std::optional<std::string>& name, const firma::BatchResult& result) {
                check_stop();
                if (result.error || !result.digest) {
                    ++outcome.unreadable;
                } else {
                    lines.emplace_back(*name, firma::format_line(result.accumulator, *name, style, &*result.digest));
                    ++outcome.files;
                }
                const std::lock_guard lock(mutex_);
                ++progress_.done;
                progress_.current = *name;
                work_.news();
            });
        // In the order the user's file manager shows the names.
        std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return firma::shown_before(a.first, b.first); });
        for (const auto& [name, line] : lines) {
            check_stop();
            writer.write(line);
        }
        writer.commit();
        outcome.written = true;
    } catch (const Cancelled&) {
        outcome = {};
    } catch (const std::system_error& error) {
        outcome = {false, 0, 0, firma::reason_of(error.code())};
    } catch (const std::bad_alloc&) {
        outcome = {false, 0, 0, firma::reason_of(std::make_error_code(std::errc::not_enough_memory))};
    }
    {
        const std::lock_guard lock(mutex_);
        outcome_ = outcome;
    }
    work_.ended();
}
