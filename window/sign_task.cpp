#include "window/sign_task.h"

#include <system_error>
#include <utility>

#include "sign/file_signer.h"
#include "sign/module1.h"

SignTask::SignTask(std::function<void()> finished, StartThread start_thread)
    : finished_(std::move(finished)), start_thread_(std::move(start_thread)) {
    if (!start_thread_) start_thread_ = [](std::function<void(std::stop_token)> run) { return std::jthread(std::move(run)); };
}

SignTask::~SignTask() {
    cancel();
}

bool SignTask::start(std::filesystem::path path) {
    if (running_) return false;
    if (worker_.joinable()) worker_.join();  // the previous one has finished already
    running_ = true;
    signature_.reset();
    consumed_ = 0;
    total_ = 0;
    try {
        worker_ = start_thread_([this, path = std::move(path)](std::stop_token stop) { sign(path, stop); });
    } catch (const std::exception&) {  // no thread, or no memory for one
        running_ = false;
    }
    return running_;
}

void SignTask::sign(const std::filesystem::path& path, std::stop_token stop) {
    firma::ReadOptions options;
    options.stop = stop;
    options.regular_only = true;
    options.on_progress = [this](std::uint64_t consumed, std::uint64_t total) {
        total_ = total;
        consumed_ = consumed;
    };
    try {
        signature_ = Module1::ComputeSign(path, options);
    } catch (...) {
        // Absorbed: the window shows no message.
    }
    if (!stop.stop_requested()) finished_();
}

void SignTask::cancel() {
    worker_.request_stop();
    if (worker_.joinable()) worker_.join();
    running_ = false;
}

std::optional<std::string> SignTask::result() {
    if (!running_) return std::nullopt;
    if (worker_.joinable()) worker_.join();  // it has called finished_, so this is quick
    running_ = false;
    return std::move(signature_);
}

int SignTask::percent_done() const {
    const std::uint64_t total = total_;
    if (total == 0) return -1;
    return static_cast<int>(consumed_ * 100 / total);
}
