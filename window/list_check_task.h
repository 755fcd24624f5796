// A list checked on a thread of its own, for the check window: the listed
// files signed by the batch engine, then, where the list holds its whole
// folder, the files that folder holds and the list lacks, signed too so that
// a renamed file can be hinted at. Names are looked for from the list's own
// folder. The window takes what was found as it goes, and may cancel.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "window/background_work.h"
#include "window/list_check.h"

class ListCheckTask {
public:
    // `wake` runs on the worker thread when there is something new to take;
    // it should only make the GUI thread call take_into(). Until then it is
    // not called again.
    explicit ListCheckTask(std::function<void()> wake) : work_(std::move(wake)) {}

    // False where the system refuses a thread: nothing runs then.
    bool start(std::string list);
    // The check stops as soon as it can; what was found so far stays.
    void cancel() { work_.cancel(); }
    // GUI thread: moves what was found since the last call into `check`, and
    // once the check has ended, finishes it. True then.
    bool take_into(ListCheck& check);
    // Files checked so far, listed and new.
    std::size_t files_done() const { return done_; }

private:
    void run(const std::string& list, std::stop_token stop);

    std::mutex mutex_;
    struct Listed {
        firma::ListEntry entry;
        firma::BatchResult result;
        std::optional<std::int64_t> modified;
    };
    struct Added {
        std::string name;
        std::optional<std::uint32_t> signature;
        std::optional<std::int64_t> modified;
    };
    std::vector<Listed> listed_;
    std::vector<Added> added_;
    std::optional<std::string> failure_;  // why the list could not be read
    bool ended_ = false;
    bool cancelled_ = false;
    std::atomic<std::size_t> done_{0};
    BackgroundWork work_;  // last: joined before the members above go
};
