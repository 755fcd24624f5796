#include "window/list_check_task.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "lists/audit.h"
#include "lists/check_entry.h"
#include "sign/batch_signer.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"

namespace {

struct Cancelled {};

}  // namespace

bool ListCheckTask::start(std::string list) {
    return work_.start([this, list = std::move(list)](std::stop_token stop) { run(list, stop); });
}

bool ListCheckTask::take_into(ListCheck& check) {
    work_.looked();
    const std::lock_guard lock(mutex_);
    for (const Listed& found : listed_) check.listed(found.entry, found.result, found.modified);
    for (Added& found : added_) check.added(std::move(found.name), found.signature, found.modified);
    listed_.clear();
    added_.clear();
    if (!ended_ || check.finished()) return ended_;
    if (failure_)
        check.failed(*failure_);
    else
        check.finish(cancelled_);
    return true;
}

void ListCheckTask::run(const std::string& list, std::stop_token stop) {
    firma::ListParser parser;
    firma::ListReader reader(list, parser);
    const auto folder = firma::folder_of_list(list);
    firma::ListedNames names(folder);
    const auto check_stop = [&] {
        if (stop.stop_requested()) throw Cancelled{};
    };
    bool cancelled = false;
    try {
        firma::sign_in_order<firma::ListEntry>(
            [&]() -> std::optional<firma::BatchItem<firma::ListEntry>> {
                check_stop();
                auto entry = reader.next();
                if (!entry) return std::nullopt;
                auto request = firma::request_for(*entry, folder);
                // Only a list of its whole folder is audited (its mark comes first).
                if (request && request->source == firma::SignRequest::Source::file && reader.covers_its_folder())
                    names.add(request->path);
                return firma::BatchItem<firma::ListEntry>{std::move(*entry), std::move(request)};
            },
            [&](const firma::ListEntry& listed, const firma::BatchResult& result) {
                check_stop();
                {
                    const std::lock_guard lock(mutex_);
                    listed_.push_back({listed, result, result.error ? std::nullopt : result.modified});
                }
                ++done_;
                work_.news();
            });
        if (!reader.error() && reader.covers_its_folder()) {
            std::vector<std::string> added;
            firma::find_unlisted(
                list, names, [&](const std::string& name) { check_stop(); added.push_back(name); },
                [](const std::string&, const std::error_code&) {});
            std::size_t next = 0;
            firma::sign_in_order<std::string>(
                [&]() -> std::optional<firma::BatchItem<std::string>> {
                    check_stop();
                    if (next == added.size()) return std::nullopt;
                    const std::string& name = added[next++];
                    firma::SignRequest request;
                    request.path = folder / firma::path_of_utf8(name).value_or("");
                    return firma::BatchItem<std::string>{name, std::move(request)};
                },
                [&](const std::string& name, const firma::BatchResult& result) {
                    check_stop();
                    {
                        const std::lock_guard lock(mutex_);
                        added_.push_back({name, result.error ? std::nullopt : std::optional(result.accumulator),
                                          result.error ? std::nullopt : result.modified});
                    }
                    ++done_;
                    work_.news();
                });
        }
    } catch (const Cancelled&) {
        cancelled = true;
    } catch (const std::bad_alloc&) {
        cancelled = true;  // what was found so far stands, as after a cancel
    }
    {
        const std::lock_guard lock(mutex_);
        if (reader.error()) failure_ = firma::reason_of(reader.error());
        ended_ = true;
        cancelled_ = cancelled;
    }
    work_.ended();
}
