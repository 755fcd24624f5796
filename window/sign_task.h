// The window's rules for signing the named file, whatever the toolkit: on a
// worker thread, so the window keeps painting and can be closed while a large
// file is read; regular files only; any failure absorbed (the window shows no
// message); one file at a time. Cancelling or destroying the task stops the
// read and waits for it (a read piece takes about a millisecond).
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

class SignTask {
public:
    // `finished` runs on the worker thread when a signing ends without being
    // cancelled; it should only wake the GUI thread, which then calls result().
    // How a thread is started: std::jthread's way, unless tests say otherwise.
    using StartThread = std::function<std::jthread(std::function<void(std::stop_token)>)>;
    explicit SignTask(std::function<void()> finished, StartThread start_thread = {});
    ~SignTask();
    SignTask(const SignTask&) = delete;
    SignTask& operator=(const SignTask&) = delete;

    // Ignored while a signing runs. False when the system refuses a thread to
    // sign on: nothing runs then.
    bool start(std::filesystem::path path);
    void cancel();
    bool running() const { return running_; }
    // After `finished`: the signature, or nothing if the file could not be
    // signed. Ends the signing; nothing once it is cancelled.
    std::optional<std::string> result();
    // Percent done, or -1 while the size is not known.
    int percent_done() const;

private:
    void sign(const std::filesystem::path& path, std::stop_token stop);

    std::function<void()> finished_;
    StartThread start_thread_;
    bool running_ = false;
    std::optional<std::string> signature_;
    std::atomic<std::uint64_t> consumed_{0};
    std::atomic<std::uint64_t> total_{0};
    std::jthread worker_;  // last: joined before the members above go
};
