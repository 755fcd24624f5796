#include "sign/detail/batch_queue.h"

#include <algorithm>
#include <chrono>

namespace firma::detail {

bool for_workers(const std::optional<SignRequest>& request) {
    return request && request->source == SignRequest::Source::file;
}

bool BatchQueue::full() {
    const std::lock_guard lock(mutex_);
    return slots_.size() >= capacity_;
}

bool BatchQueue::empty() {
    const std::lock_guard lock(mutex_);
    return slots_.empty();
}

void BatchQueue::push(std::optional<SignRequest> request) {
    {
        const std::lock_guard lock(mutex_);
        if (for_workers(request)) ++untaken_files_;
        slots_.push_back(BatchSlot{std::move(request), {}, false, {}});
    }
    job_added_.notify_one();
}

void BatchQueue::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    job_added_.notify_all();
}

void BatchQueue::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopped_ = closed_ = true;
    }
    job_added_.notify_all();
    file_closed_.notify_all();
}

BatchSlot* BatchQueue::wait_front(const std::function<void()>& tick) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (slots_.empty()) {
            if (closed_) return nullptr;
        } else {
            BatchSlot& front = slots_.front();
            if (front.done || alone_ || !for_workers(front.request)) return &front;
        }
        if (job_done_.wait_for(lock, std::chrono::milliseconds(250)) == std::cv_status::timeout &&
            tick) {
            lock.unlock();
            tick();
            lock.lock();
        }
    }
}

void BatchQueue::pop_front() {
    const std::lock_guard lock(mutex_);
    // Signed here, alone, after a worker handed it back.
    if (std::erase(handed_back_, &slots_.front()) > 0) --untaken_files_;
    slots_.pop_front();
    if (next_ > 0) --next_;
}

void BatchQueue::add_worker() {
    const std::lock_guard lock(mutex_);
    ++workers_;
}

void BatchQueue::leave() {
    {
        const std::lock_guard lock(mutex_);
        if (workers_ > 0) --workers_;
        if (workers_ == 0) alone_ = true;
    }
    job_done_.notify_all();
}

BatchSlot* BatchQueue::take(bool wait, std::size_t reading) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopped_) return nullptr;
        while (next_ < slots_.size() && !for_workers(slots_[next_].request)) ++next_;
        const std::size_t share = (untaken_files_ + files_taken_ + workers_ - 1) / std::max<std::size_t>(workers_, 1);
        if (!handed_back_.empty() && (reading == 0 || reading < share)) {
            --untaken_files_;
            ++files_taken_;
            BatchSlot* slot = handed_back_.front();
            handed_back_.pop_front();
            return slot;
        }
        if (next_ < slots_.size() && (reading == 0 || reading < share)) {
            --untaken_files_;
            ++files_taken_;
            return &slots_[next_++];
        }
        if (closed_ || !wait) return nullptr;
        job_added_.wait(lock);
    }
}

void BatchQueue::complete(BatchSlot* slot, const BatchResult& result) {
    {
        const std::lock_guard lock(mutex_);
        slot->result = result;
        slot->done = true;
        --files_taken_;
        ++completed_;
    }
    job_done_.notify_one();
    file_closed_.notify_all();
}

void BatchQueue::defer(BatchSlot* slot, FileReader reader) {
    {
        const std::lock_guard lock(mutex_);
        slot->deferred.emplace(std::move(reader));
        slot->done = true;
        --files_taken_;
    }
    job_done_.notify_all();
}

void BatchQueue::hand_back(BatchSlot* slot) {
    {
        const std::lock_guard lock(mutex_);
        handed_back_.push_back(slot);
        --files_taken_;
        ++untaken_files_;
    }
    job_added_.notify_one();
    file_closed_.notify_all();
}

std::size_t BatchQueue::files_done() {
    const std::lock_guard lock(mutex_);
    return completed_;
}

bool BatchQueue::wait_for_a_file_closed(std::size_t done_before) {
    std::unique_lock lock(mutex_);
    ++waiting_for_descriptors_;
    // Files taken by workers not waiting here are open, or about to be: one
    // will close. When every file taken waits, none will.
    while (!stopped_ && completed_ == done_before && files_taken_ > waiting_for_descriptors_)
        file_closed_.wait(lock);
    --waiting_for_descriptors_;
    return !stopped_ && completed_ != done_before;
}

bool BatchQueue::stopped() {
    const std::lock_guard lock(mutex_);
    return stopped_;
}

}  // namespace firma::detail
