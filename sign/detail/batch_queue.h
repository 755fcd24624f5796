// Internal to the batch signer: the items in flight, in order. The calling thread
// appends items and takes results from the front; workers take the files to
// sign and complete them. Slots stay put while others are added or removed (a deque).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "sign/detail/file_reader.h"
#include "sign/sign_request.h"

namespace firma::detail {

struct BatchSlot {
    std::optional<SignRequest> request;  // nothing: the item only holds its place
    BatchResult result;
    bool done = false;
    std::optional<FileReader> deferred;  // opened, to be read on the calling thread
};

// Whether workers sign what is asked: files, but not standard input or nothing.
bool for_workers(const std::optional<SignRequest>& request);

class BatchQueue {
public:
    explicit BatchQueue(std::size_t capacity) : capacity_(capacity) {}

    // Calling thread.
    bool full();
    bool empty();
    void push(std::optional<SignRequest> request);
    void close();  // no more items will come
    void stop();   // abandon what is left: workers return as soon as they can
    // Waits until the front is done or, for items the workers never take, present.
    // Returns nothing when the queue is closed and empty; calls `tick` while waiting.
    BatchSlot* wait_front(const std::function<void()>& tick);
    void pop_front();

    // Before a worker starts: files are shared among the workers there are.
    void add_worker();
    // A worker ends, done or short of memory, or could not start at all;
    // after the last one, the calling thread takes every item left in its
    // turn, done or not.
    void leave();

    // Workers. take() waits for a file when `wait` is set, and returns nullptr when
    // there will be none (or when not waiting and none is ready). A worker already
    // reading `reading` files gets no more than its share of the files in hand,
    // so that a later worker finds some.
    BatchSlot* take(bool wait, std::size_t reading = 0);
    void complete(BatchSlot* slot, const BatchResult& result);
    // Hands an opened file back to the calling thread, to read in its turn.
    void defer(BatchSlot* slot, FileReader reader);
    // Hands a file back unopened, for another worker to take (or, once
    // every worker has left, the calling thread).
    void hand_back(BatchSlot* slot);
    // How many files workers have completed so far.
    std::size_t files_done();
    // After an open failed for want of descriptors, by a worker with no file
    // open: waits until more files than `done_before` (counted before the
    // open) are done. False when no other file is open or being opened: none
    // would ever close.
    bool wait_for_a_file_closed(std::size_t done_before);
    bool stopped();

private:
    std::mutex mutex_;
    std::condition_variable job_added_;
    std::condition_variable job_done_;
    std::condition_variable file_closed_;
    std::deque<BatchSlot> slots_;
    std::deque<BatchSlot*> handed_back_;  // taken before, to be taken first
    std::size_t capacity_;
    std::size_t next_ = 0;  // index in slots_ of the first item not yet looked at by workers
    std::size_t untaken_files_ = 0;
    std::size_t files_taken_ = 0;  // and not yet completed
    std::size_t completed_ = 0;
    std::size_t waiting_for_descriptors_ = 0;
    std::size_t workers_ = 0;
    bool closed_ = false;
    bool alone_ = false;
    bool stopped_ = false;
};

}  // namespace firma::detail
