// Work on a thread of its own that a window follows: it wakes the window at
// most once until the window has looked, always once more at its end, and can
// be cancelled, which waits for it. Declared last among its owner's members,
// it is joined before what the work uses goes.
#pragma once

#include <atomic>
#include <functional>
#include <stop_token>
#include <thread>

class BackgroundWork {
public:
    // `wake` runs on the worker thread; it should only make the GUI thread look.
    explicit BackgroundWork(std::function<void()> wake) : wake_(std::move(wake)) {}
    ~BackgroundWork() { cancel(); }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // False where the system refuses a thread (or the memory for one).
    bool start(std::function<void(std::stop_token)> work) {
        try {
            worker_ = std::jthread(std::move(work));
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    void cancel() {
        worker_.request_stop();
        if (worker_.joinable()) worker_.join();
    }
    // GUI thread: it has looked; the next news wakes it again.
    void looked() { woken_ = false; }
    // Worker: there is news.
    void news() {
        if (!woken_.exchange(true) && wake_) wake_();
    }
    // Worker: the work has ended, which is always said.
    void ended() {
        woken_ = false;
        news();
    }

private:
    std::function<void()> wake_;
    std::atomic<bool> woken_{false};
    std::jthread worker_;
};
