// Signing many files at once: up to one worker per core, each running several
// files' chains side by side in the lanes of its kernel. Results come back in the
// order the files were given, as soon as every file before them is done.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "sign/file_identity.h"
#include "sign/sign_request.h"

namespace firma {

struct BatchOptions {
    // Files open and read at once, at most (0: default_jobs()). Workers are
    // started only as files arrive, one per core at most; 1 reads one file after
    // another.
    unsigned files_at_once = 0;
    std::size_t in_flight = 1024;  // items taken ahead of delivery at most: bounds memory
    // Updated as files open and pieces are read, when given.
    BatchProgress* progress = nullptr;
    // Called on the calling thread between deliveries and about four times a
    // second while waiting.
    std::function<void()> on_tick;
    // Whether `next` may wait before it yields (its items come from a pipe or
    // a terminal, and none is ready): the items taken so far are delivered
    // first, so that each one's result is out before the next is waited for.
    std::function<bool()> next_may_wait;
    // Files never signed, whatever name reaches them (the file the output goes
    // to): they fail as SignError::is_the_output once opened, before any read.
    std::vector<FileIdentity> leave_out;
};

namespace detail {

// The engine beneath sign_in_order: requests in, their results out in the
// same order. Stopping it (on destruction) joins its workers.
class BatchRun {
public:
    explicit BatchRun(const BatchOptions& options);
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;
    ~BatchRun();

    // Whether to take another request now: there is room, and either none is
    // waiting for its result or the next one is ready without waiting.
    bool takes_more(bool none_waiting);
    void add(std::optional<SignRequest> request);
    void close();  // no more requests will come
    // The result of the oldest request not yet answered, once it is known.
    BatchResult next_result();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace detail

// Signs what the items `next` yields ask for until it yields nothing, and hands
// each item with its result to `deliver` in order, on the calling thread
// (items with nothing to sign get an empty result). Files whose reads may wait
// for a writer (FIFOs, devices) are read on the calling thread in their turn,
// after every item before them is delivered; the workers read on meanwhile.
// If `deliver` throws, the workers stop and the exception propagates. Where not
// even one worker thread can be started, the calling thread signs every file.
template <class Item, class Next, class Deliver>
void sign_in_order(Next&& next, Deliver&& deliver, const BatchOptions& options = {}) {
    detail::BatchRun run(options);
    std::deque<Item> items;  // the caller's, in the order of their requests
    bool more = true;
    for (;;) {
        while (more && run.takes_more(items.empty())) {
            std::optional<BatchItem<Item>> got = next();
            if (!got) {
                more = false;
                run.close();
                break;
            }
            items.push_back(std::move(got->item));
            run.add(std::move(got->request));
        }
        if (items.empty()) return;
        const BatchResult result = run.next_result();
        deliver(items.front(), result);
        items.pop_front();
    }
}

// Files at once that keep every core's lanes busy.
unsigned default_jobs();

}  // namespace firma
