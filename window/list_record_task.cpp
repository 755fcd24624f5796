#include "window/list_record_task.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "language/messages.h"
#include "language/translation.h"
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

std::filesystem::path proposed_list(const std::vector<std::filesystem::path>& items) {
    if (items.empty()) return {};
    std::error_code ignored;
    std::filesystem::path first = std::filesystem::absolute(items.front(), ignored).lexically_normal();
    if (!first.has_filename()) first = first.parent_path();  // a folder typed with its separator at the end
    const bool one_folder = items.size() == 1 && std::filesystem::is_directory(first, ignored);
    const std::filesystem::path folder = one_folder || first == first.root_path() ? first : first.parent_path();
    std::string name = firma::utf8_of_path(folder.filename());
    if (name.empty()) name = "firmas";  // a drive's or the system's root
    const auto named = [&](const std::string& text) {
        return folder / firma::path_of_utf8(text + ".firmas").value_or("firmas.firmas");
    };
    if (one_folder) return named(name);
    for (int number = 1;; ++number) {
        const std::string words = number == 1 ? firma::format_message(N_("{} (selection)"), name)
                                               : firma::format_message(N_("{} (selection {})"), name, number);
        if (!std::filesystem::exists(named(words), ignored) || number == 100) return named(words);
    }
}

bool ListRecordTask::start(std::vector<std::filesystem::path> items, std::filesystem::path list) {
    return work_.start([this, items = std::move(items), list = std::move(list)](std::stop_token stop) {
        run(items, list, stop);
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

std::string ListRecordTask::said(const Outcome& outcome, const std::filesystem::path& list) {
    if (!outcome.written)
        return outcome.failure.empty() ? _("Cancelled: no list was saved.")
                                       : firma::format_message(N_("The list could not be saved: {}"), outcome.failure);
    std::string said = firma::format_message(N_("The list is saved in {}."), firma::utf8_of_path(list)) + " " +
                       firma::counted_message(outcome.files, "It holds {} file.", "It holds {} files.");
    if (outcome.unreadable > 0)
        said += " " + firma::counted_message(outcome.unreadable, "{} file could not be read and is not in it.",
                                             "{} files could not be read and are not in it.");
    return said;
}

namespace {

// A walk's starting point and the name the list gives it: names are relative
// to the list's own folder, where checks look for them.
struct Root {
    std::string path;  // as the walk is given it
    std::string name;  // as the list holds it; "." for the list's own folder
};

Root root_of(const std::filesystem::path& item, const std::filesystem::path& list_folder) {
    std::error_code ignored;
    std::filesystem::path whole = std::filesystem::absolute(item, ignored).lexically_normal();
    if (!whole.has_filename() && whole != whole.root_path()) whole = whole.parent_path();
    const std::filesystem::path relative = whole.lexically_relative(list_folder);
    // On another drive than the list there is no relative name: the whole one.
    return {firma::utf8_of_path(whole), firma::utf8_of_path(relative.empty() ? whole : relative)};
}

}  // namespace

void ListRecordTask::run(const std::vector<std::filesystem::path>& items, const std::filesystem::path& list,
                         std::stop_token stop) {
    std::error_code ignored;
    const std::filesystem::path list_folder = std::filesystem::absolute(list, ignored).lexically_normal().parent_path();
    const std::string list_name = firma::utf8_of_path(list.filename());
    std::vector<Root> roots;
    for (const auto& item : items) roots.push_back(root_of(item, list_folder));
    // Only a list of the one folder it lies in holds that folder whole.
    const bool whole_folder = roots.size() == 1 && roots.front().name == "." &&
                              std::filesystem::is_directory(items.front(), ignored);
    const std::string list_key = firma::comparable_name(list_name);
    const char separator = firma::backslash_separates_folders() ? '\\' : '/';
    // A walked item's name as the list holds it; nothing for the list itself.
    const auto relative = [&](const Root& root, const firma::WalkItem& item) -> std::optional<std::string> {
        std::string name;
        if (item.path.size() <= root.path.size()) {
            name = root.name;  // a file of the selection itself
        } else {
            const bool ends_in_separator = root.path.ends_with('/') || root.path.ends_with(separator);
            const std::string rest = item.path.substr(root.path.size() + (ends_in_separator ? 0 : 1));
            name = root.name == "." ? rest : root.name + separator + rest;
        }
        if (firma::comparable_name(name) == list_key) return std::nullopt;
        return name;
    };
    const auto check_stop = [&] {
        if (stop.stop_requested()) throw Cancelled{};
    };
    Outcome outcome;
    try {
        // The files are counted while the first ones are signed: a walk of its
        // own, so that "done of total" is known early without a pass first.
        std::jthread counting([&](std::stop_token counting_stop) {
            std::size_t total = 0;
            try {
                for (const Root& root : roots) {
                    for (firma::Walk walk({root.path}, true, false); auto item = walk.next();) {
                        if (counting_stop.stop_requested() || stop.stop_requested()) return;
                        if (!item->error && item->skipped.empty() && relative(root, *item)) ++total;
                    }
                }
            } catch (const std::exception&) {
                return;  // no total: progress stays without one
            }
            const std::lock_guard lock(mutex_);
            progress_.total = std::max(total, progress_.done);
        });
        firma::ListFileWriter writer(list);
        if (whole_folder) writer.write(std::string(firma::kWholeFolderMark) + "\n");
        const firma::LineStyle style{.backslash_separates = firma::backslash_separates_folders()};
        std::vector<std::pair<std::string, std::string>> lines;  // name, line: sorted before they are written
        std::size_t next_root = 0;
        std::optional<firma::Walk> walk;
        firma::sign_in_order<std::optional<std::string>>(
            [&]() -> std::optional<firma::BatchItem<std::optional<std::string>>> {
                check_stop();
                for (;;) {
                    if (!walk) {
                        if (next_root == roots.size()) return std::nullopt;
                        walk.emplace(std::vector<std::string>{roots[next_root++].path}, true, false);
                    }
                    auto item = walk->next();
                    if (!item) {
                        walk.reset();
                        continue;
                    }
                    if (item->error || !item->skipped.empty()) continue;
                    auto name = relative(roots[next_root - 1], *item);
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
