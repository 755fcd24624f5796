// A folder, or a selection of files and folders, recorded on a thread of its
// own, for the recording window: every file below them, by the walk's rules,
// signed with its size and digest, in the order the user's file manager shows
// the names, written whole or not at all. Names in the list are relative to
// the list's own folder, so the list travels with it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "window/background_work.h"

// Where the list of `items` is proposed: for one folder, NAME.firmas inside
// it; for a selection, in the folder that holds its first item, as
// "NAME (selection).firmas" (numbered past any list already there), so that
// accepting it never replaces the list of the whole folder. A root, having
// no name, gives firmas.firmas.
std::filesystem::path proposed_list(const std::vector<std::filesystem::path>& items);

class ListRecordTask {
public:
    // `wake` runs on the worker thread as files are done and once at the
    // end; it should only make the GUI thread look at progress() or outcome().
    explicit ListRecordTask(std::function<void()> wake) : work_(std::move(wake)) {}

    // Records the files `items` name and hold into `list` (itself left out);
    // a list lying in the one folder it records is marked as that folder's
    // whole, so that a check reports the files added to it later. False where
    // the system refuses a thread: nothing runs then.
    bool start(std::vector<std::filesystem::path> items, std::filesystem::path list);
    // Stops as soon as it can: no list is written, an earlier one stays.
    void cancel() { work_.cancel(); }

    struct Progress {
        std::size_t done = 0;
        std::size_t total = 0;  // 0 while the files are still being counted
        std::string current;    // the name last signed
    };
    Progress progress();

    struct Outcome {
        bool written = false;  // false: cancelled, or failed for `failure`
        std::size_t files = 0;
        std::size_t unreadable = 0;  // left out of the list, each for a reason of its own
        std::string failure;   // in the user's words; empty when cancelled
    };
    // Once the recording has ended.
    std::optional<Outcome> outcome();
    // What the window says of `outcome`, in the user's words: where the list
    // is and how many files it holds, or that none was saved, and why.
    static std::string said(const Outcome& outcome, const std::filesystem::path& list);

private:
    void run(const std::vector<std::filesystem::path>& items, const std::filesystem::path& list, std::stop_token stop);

    std::mutex mutex_;
    Progress progress_;
    std::optional<Outcome> outcome_;
    BackgroundWork work_;  // last: joined before the members above go
};
