#include "window/list_append_task.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "lists/audit.h"
#include "lists/list_file_writer.h"
#include "lists/list_files.h"
#include "lists/name_order.h"
#include "lists/signature_lines.h"
#include "sign/batch_signer.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"

namespace {

struct Cancelled {};

}  // namespace

bool ListAppendTask::start(std::string list, std::vector<std::string> names) {
    return work_.start([this, list = std::move(list), names = std::move(names)](std::stop_token stop) {
        run(list, names, stop);
    });
}

std::optional<ListAppendTask::Outcome> ListAppendTask::outcome() {
    work_.looked();
    const std::lock_guard lock(mutex_);
    return outcome_;
}

void ListAppendTask::run(const std::string& list, const std::vector<std::string>& names, std::stop_token stop) {
    Outcome outcome;
    try {
        const auto path = firma::path_of_utf8(list).value_or("");
        std::string text;
        {  // closed before the list is replaced, which Windows refuses while it is open
            std::ifstream old(path, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(old), std::istreambuf_iterator<char>());
            if (!old.eof() && old.fail()) throw std::system_error(std::make_error_code(std::errc::io_error));
        }
        if (!text.empty() && text.back() != '\n') text += '\n';
        const auto folder = firma::folder_of_list(list);
        const firma::LineStyle style{.backslash_separates = firma::backslash_separates_folders()};
        std::vector<std::pair<std::string, std::string>> lines;  // name, line
        std::size_t next = 0;
        firma::sign_in_order<std::string>(
            [&]() -> std::optional<firma::BatchItem<std::string>> {
                if (stop.stop_requested()) throw Cancelled{};
                if (next == names.size()) return std::nullopt;
                const std::string& name = names[next++];
                firma::SignRequest request{firma::SignRequest::Source::file, folder / firma::path_of_utf8(name).value_or("")};
                request.digest = true;
                return firma::BatchItem<std::string>{name, std::move(request)};
            },
            [&](const std::string& name, const firma::BatchResult& result) {
                if (stop.stop_requested()) throw Cancelled{};
                if (result.error) throw std::system_error(result.error, name);
                lines.emplace_back(name, firma::format_line(result.accumulator, name, style, &*result.digest));
            });
        std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return firma::shown_before(a.first, b.first); });
        for (const auto& [name, line] : lines) text += line;
        firma::ListFileWriter writer(path);
        writer.write(text);
        writer.commit();
        outcome = {true, lines.size(), {}};
    } catch (const Cancelled&) {
        outcome = {};
    } catch (const std::system_error& error) {  // a new file that cannot be read: nothing is added
        outcome = {false, 0, firma::in_users_words(error)};
    } catch (const std::bad_alloc&) {
        outcome = {false, 0, firma::reason_of(std::make_error_code(std::errc::not_enough_memory))};
    }
    {
        const std::lock_guard lock(mutex_);
        outcome_ = outcome;
    }
    work_.ended();
}
