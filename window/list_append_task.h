// New files added to a list, on a thread of its own, when the check window's
// user asks: each signed with its size and digest, appended after the list's
// own lines, which stay exactly as they were (a changed file's recorded
// signature is never rewritten). The list is replaced whole or not at all.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "window/background_work.h"

class ListAppendTask {
public:
    explicit ListAppendTask(std::function<void()> wake) : work_(std::move(wake)) {}

    // Appends `names` (relative to the list's folder, as the check found
    // them) to `list`. False where the system refuses a thread.
    bool start(std::string list, std::vector<std::string> names);
    void cancel() { work_.cancel(); }

    struct Outcome {
        bool written = false;
        std::size_t added = 0;
        std::string failure;  // in the user's words; empty when cancelled
    };
    // Once it has ended.
    std::optional<Outcome> outcome();

private:
    void run(const std::string& list, const std::vector<std::string>& names, std::stop_token stop);

    std::mutex mutex_;
    std::optional<Outcome> outcome_;
    BackgroundWork work_;  // last: joined before the members above go
};
