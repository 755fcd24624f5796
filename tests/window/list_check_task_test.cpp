// A list recorded with sizes and digests, then the folder changed and the list
// checked in the background, as the check window does it.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>

#include "lists/signature_lines.h"
#include "sign/batch_signer.h"
#include "sign/utf8.h"
#include "temp_dir.h"
#include "window/list_append_task.h"
#include "window/list_check_task.h"
#include "window/list_record_task.h"
#include "window/what_to_open.h"
#include "lists/list_files.h"

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

// The wakes a task sends, as a GUI thread waits for them.
class Wakes {
public:
    std::function<void()> callback() {
        return [this] {
            const std::lock_guard lock(mutex_);
            woken_ = true;
            wake_.notify_one();
        };
    }
    void wait() {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return woken_; });
        woken_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
};

// When the system says `path` was last written, in whole seconds since 1970.
std::optional<std::int64_t> written(const fs::path& path) {
    std::error_code error;
    const auto time = fs::last_write_time(path, error);
    if (error) return std::nullopt;
    return std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(time)).time_since_epoch().count();
}

// Runs the check to its end and returns each row's state text by name; a row
// whose time is not its file's says so.
std::map<std::string, std::string> checked(const std::string& list) {
    Wakes wakes;
    ListCheckTask task(wakes.callback());
    EXPECT_TRUE(task.start(list));
    ListCheck check;
    for (bool ended = false; !ended;) {
        wakes.wait();
        ended = task.take_into(check);
    }
    std::map<std::string, std::string> states;
    for (const CheckRow& row : check.rows()) {
        states[row.name] = check.state_text(row);
        if (row.current && row.modified != written(fs::path(list).parent_path() / *firma::path_of_utf8(row.name))) states[row.name] += " at another time";
    }
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

// New files added when asked: the list's own lines stay as they were (a
// changed file keeps its recorded signature), the new ones follow and check
// the same.
TEST(ListAppendTask, NewFilesFollowTheListsOwnLinesUnchanged) {
    firma::testing::TempDir dir;
    const fs::path folder = dir.path();
    for (const char* name : {"a.txt", "b.txt"}) std::ofstream(folder / name) << name;
    const std::string recorded = recorded_list(folder, {"a.txt", "b.txt"}, true);
    std::ofstream(folder / "lista.firmas", std::ios::binary) << recorded;
    std::ofstream(folder / "b.txt") << "changed";
    std::ofstream(folder / "nuevo.txt") << "new";
    Wakes wakes;
    ListAppendTask task(wakes.callback());
    ASSERT_TRUE(task.start((folder / "lista.firmas").string(), {"nuevo.txt"}));
    std::optional<ListAppendTask::Outcome> outcome;
    while (!(outcome = task.outcome())) wakes.wait();
    EXPECT_TRUE(outcome->written) << outcome->failure;
    EXPECT_EQ(outcome->added, 1u);
    std::stringstream text;
    text << std::ifstream(folder / "lista.firmas", std::ios::binary).rdbuf();
    EXPECT_TRUE(text.str().starts_with(recorded)) << text.str();
    EXPECT_TRUE(text.str().ends_with("  nuevo.txt\n")) << text.str();
    const auto states = checked((folder / "lista.firmas").string());
    EXPECT_EQ(states.at("nuevo.txt"), "Same");
    EXPECT_EQ(states.at("b.txt"), "Changed");
}

// Recorded in the window, checked in the window: every file the same, the
// list itself left out; a recording cancelled at once leaves no list.
TEST(ListRecordTask, ARecordedFolderChecksAsItIsAndACancelledOneLeavesNoList) {
    firma::testing::TempDir dir;
    const fs::path folder = dir.path() / "Entrega cliente";
    fs::create_directories(folder / "fotos");
    for (int i = 0; i < 300; ++i) std::ofstream(folder / "fotos" / ("f" + std::to_string(i)), std::ios::binary) << i;
    std::ofstream(folder / "año.txt", std::ios::binary) << "abc";
    const fs::path list = folder / "Entrega cliente.firmas";
    for (const bool cancelled : {false, true}) {
        Wakes wakes;
        ListRecordTask task(wakes.callback());
        fs::remove(list);
        ASSERT_TRUE(task.start({folder}, list));
        if (cancelled) task.cancel();
        std::optional<ListRecordTask::Outcome> outcome;
        while (!(outcome = task.outcome())) wakes.wait();
        std::size_t entries = 0;
        for (const auto& entry : fs::directory_iterator(folder)) entries += entry.path() != folder / "fotos";
        if (!outcome->written) {  // cancelled before it ended: nothing left behind
            EXPECT_TRUE(cancelled);
            EXPECT_EQ(entries, 1u) << "only año.txt";
            continue;
        }
        EXPECT_EQ(outcome->files, 301u);
        EXPECT_EQ(task.progress().done, 301u);
        EXPECT_EQ(entries, 2u) << "año.txt and the list";
        const auto states = checked(list.string());
        EXPECT_EQ(states.size(), 302u);
        EXPECT_EQ(states.at("(verdict)"), "All correct: the 301 files keep their signature");
    }
}

// A selection is recorded into one list beside it, named relative to the
// list, which does not hold the folder whole: files beside the selection are
// not reported as new.
TEST(ListRecordTask, ASelectionIsOneListOfItsOwnFiles) {
    firma::testing::TempDir dir;
    const fs::path folder = dir.path() / "Entrega cliente";
    fs::create_directories(folder / "fotos" / "viejas");
    std::ofstream(folder / "fotos" / "viejas" / "a.jpg", std::ios::binary) << "a";
    const fs::path ano = u8"año.txt";  // UTF-8 on every system, whatever its code page
    std::ofstream(folder / ano, std::ios::binary) << "abc";
    std::ofstream(folder / "fuera.txt", std::ios::binary) << "not chosen";
    const fs::path list = proposed_list({folder / "fotos", folder / ano});
    ASSERT_EQ(list, folder / "Entrega cliente (selection).firmas");
    Wakes wakes;
    ListRecordTask task(wakes.callback());
    ASSERT_TRUE(task.start({folder / "fotos", folder / ano}, list));
    std::optional<ListRecordTask::Outcome> outcome;
    while (!(outcome = task.outcome())) wakes.wait();
    ASSERT_TRUE(outcome->written) << outcome->failure;
    EXPECT_EQ(outcome->files, 2u);
    const auto states = checked(list.string());
    const std::string sub = fs::path("fotos/viejas/a.jpg").make_preferred().string();
    EXPECT_EQ(states, (std::map<std::string, std::string>{{sub, "Same"},
                                                          {"año.txt", "Same"},
                                                          {"(verdict)", "All correct: the 2 files keep their signature"}}));
}

// A folder's list is proposed inside it, named after it, however the folder
// was typed; a selection's beside its first item, never in the place of the
// folder's own list or an earlier selection's; a root has no name to give.
TEST(ListRecordTask, TheListIsProposedWhereItTravelsWithTheFiles) {
    firma::testing::TempDir dir;
    const fs::path folder = dir.path() / "Entrega cliente";
    fs::create_directories(folder / "b");
    std::ofstream(folder / "x.txt") << "x";
    std::ofstream(folder / "Entrega cliente.firmas") << "";
    std::ofstream(folder / "Entrega cliente (selection).firmas") << "";
    const fs::path root = fs::absolute(dir.path()).root_path();
    const std::vector<std::pair<std::vector<fs::path>, fs::path>> cases{
        {{folder}, folder / "Entrega cliente.firmas"},
        {{folder / ""}, folder / "Entrega cliente.firmas"},
        {{folder / "a" / ".." / "b"}, folder / "b" / "b.firmas"},
        {{folder / "x.txt"}, folder / "Entrega cliente (selection 2).firmas"},
        {{folder / "b", folder / "x.txt"}, folder / "Entrega cliente (selection 2).firmas"},
        {{root}, root / "firmas.firmas"},
    };
    for (const auto& [items, list] : cases) EXPECT_EQ(proposed_list(items), list) << items.front();
}

// What a double-click, a verb or "Send to" opens: a list is checked, a
// folder or a marked selection recorded, anything else is Form1's first file.
TEST(WhatToOpen, ListsAreCheckedFoldersAndSelectionsRecordedTheRestSigned) {
    firma::testing::TempDir dir;
    const std::string folder = (dir.path() / "x.firmas").string();  // a folder, whatever its name says
    fs::create_directories(folder);
    const bool windows = firma::names_no_file(kRecordSelection);
    using Kind = WhatToOpen::Kind;
    const std::vector<std::tuple<std::vector<const char*>, Kind, std::vector<std::string>>> cases{
        {{"firma-gui"}, Kind::form1, {}},
        {{"firma-gui", "a.txt", "b.txt"}, Kind::form1, {"a.txt"}},
        {{"firma-gui", "--", "--help"}, Kind::form1, {"--help"}},
        {{"firma-gui", "lista.firmas"}, Kind::check, {"lista.firmas"}},
        {{"firma-gui", "LISTA.FIRMAS"}, windows ? Kind::check : Kind::form1, {"LISTA.FIRMAS"}},
        {{"firma-gui", folder.c_str(), "a.txt"}, Kind::record, {folder}},
        {{"firma-gui", kRecordSelection, "a.txt", folder.c_str()}, windows ? Kind::record : Kind::form1,
         windows ? std::vector<std::string>{"a.txt", folder} : std::vector<std::string>{kRecordSelection}},
        {{"firma-gui", kRecordSelection}, Kind::form1, {kRecordSelection}},
    };
    for (const auto& [args, kind, items] : cases) {
        const WhatToOpen opening = what_to_open(static_cast<int>(args.size()), args.data());
        EXPECT_EQ(opening.kind, kind) << args.back();
        std::vector<std::string> got;
        for (const auto& item : opening.items) got.push_back(item.string());
        EXPECT_EQ(got, items) << args.back();
    }
}

}  // namespace
