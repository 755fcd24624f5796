// A list recorded with sizes and digests, then the folder changed and the list
// checked in the background, as the check window does it.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>

#include "lists/signature_lines.h"
#include "sign/batch_signer.h"
#include "temp_dir.h"
#include "window/list_check_task.h"

namespace {

namespace fs = std::filesystem;

// The list of `names` below `folder`, as a list of the whole folder or not.
std::string recorded_list(const fs::path& folder, const std::vector<std::string>& names, bool whole_folder) {
    std::string list = whole_folder ? std::string(firma::kWholeFolderMark) + "\n" : "";
    std::size_t next = 0;
    firma::sign_in_order<std::string>(
        [&]() -> std::optional<firma::BatchItem<std::string>> {
            if (next == names.size()) return std::nullopt;
            firma::SignRequest request{firma::SignRequest::Source::file, folder / names[next]};
            request.digest = true;
            return firma::BatchItem<std::string>{names[next++], request};
        },
        [&](const std::string& name, const firma::BatchResult& result) {
            list += firma::format_line(result.accumulator, name, {}, &*result.digest);
        });
    return list;
}

// Runs the check to its end and returns each row's state text by name.
std::map<std::string, std::string> checked(const std::string& list) {
    std::mutex mutex;
    std::condition_variable woken;
    bool wake = false;
    ListCheckTask task([&] {
        const std::lock_guard lock(mutex);
        wake = true;
        woken.notify_one();
    });
    EXPECT_TRUE(task.start(list));
    ListCheck check;
    for (bool ended = false; !ended;) {
        std::unique_lock lock(mutex);
        woken.wait(lock, [&] { return wake; });
        wake = false;
        lock.unlock();
        ended = task.take_into(check);
    }
    std::map<std::string, std::string> states;
    for (const CheckRow& row : check.rows()) states[row.name] = check.state_text(row);
    states["(verdict)"] = check.verdict();
    return states;
}

TEST(ListCheckTask, ARecordedFolderCheckedAfterItsChanges) {
    firma::testing::TempDir dir;
    fs::create_directories(dir.path() / "entrega" / "sub");
    const fs::path folder = dir.path() / "entrega";
    for (const char* name : {"same.txt", "changed.txt", "gone.txt", "old.txt", "sub/b.txt"}) {
        std::ofstream(folder / name, std::ios::binary) << "contents of " << name;
    }
    const std::vector<std::string> names = {"same.txt", "changed.txt", "gone.txt", "old.txt", "sub/b.txt"};
    const std::string of_the_folder = recorded_list(folder, names, true);
    const std::string of_a_selection = recorded_list(folder, names, false);
    std::ofstream(folder / "changed.txt", std::ios::binary) << "other contents";
    fs::remove(folder / "gone.txt");
    fs::rename(folder / "old.txt", folder / "new.txt");
    std::ofstream(folder / "extra.txt", std::ios::binary) << "extra";
    for (const bool whole_folder : {true, false}) {
        std::ofstream(folder / "lista.firmas", std::ios::binary) << (whole_folder ? of_the_folder : of_a_selection);
        auto states = checked((folder / "lista.firmas").string());
        std::map<std::string, std::string> expected = {
            {"same.txt", "Same"}, {"changed.txt", "Changed"}, {"gone.txt", "Missing"}, {"old.txt", "Missing"},
            {"sub/b.txt", "Same"}};
        if (whole_folder) {
            expected["new.txt"] = "New (renamed from old.txt?)";
            expected["extra.txt"] = "New";
            expected["(verdict)"] = "Attention: 1 changed · 2 missing · 2 new · 0 could not be read";
        } else {  // a selection's neighbours are never new
            expected["(verdict)"] = "Attention: 1 changed · 2 missing · 0 new · 0 could not be read";
        }
        EXPECT_EQ(states, expected) << (whole_folder ? "whole folder" : "selection");
    }
    EXPECT_EQ(checked((folder / "missing.firmas").string())["(verdict)"],
              "The list could not be read: No such file or directory");
}

}  // namespace
