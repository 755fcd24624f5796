// Internal to the batch signer: the jobs in flight, in order. The calling thread
// appends jobs and takes results from the front; workers take file jobs and
// complete them. Slots stay put while others are added or removed (a deque).
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "sign/batch_signer.h"

namespace firma::detail {

struct BatchSlot {
    BatchJob job;
    BatchResult result;
    bool done = false;
};

class BatchQueue {
public:
    explicit BatchQueue(std::size_t capacity) : capacity_(capacity) {}

    // Calling thread.
    bool full();
    void push(BatchJob job);
    void close();  // no more jobs will come
    void stop();   // abandon what is left: workers return as soon as they can
    // Waits until the front is done or, for jobs the workers never take, present.
    // Returns nothing when the queue is closed and empty; calls `tick` while waiting.
    BatchSlot* wait_front(const std::function<void()>& tick);
    void pop_front();

    // Workers. take() waits for a job when `wait` is set, and returns nullptr when
    // there will be none (or when not waiting and none is ready).
    BatchSlot* take(bool wait);
    void complete(BatchSlot* slot, const BatchResult& result);
    bool stopped();

private:
    std::mutex mutex_;
    std::condition_variable job_added_;
    std::condition_variable job_done_;
    std::deque<BatchSlot> slots_;
    std::size_t capacity_;
    std::size_t next_ = 0;  // index in slots_ of the first job not yet looked at by workers
    bool closed_ = false;
    bool stopped_ = false;
};

}  // namespace firma::detail
