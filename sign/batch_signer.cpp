#include "sign/batch_signer.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "sign/detail/batch_queue.h"
#include "sign/detail/batch_worker.h"
#include "sign/detail/file_reader.h"
#include "sign/detail/os.h"
#include "sign/detail/worker_thread.h"
#include "sign/file_signer.h"
#include "sign/fold.h"
#include "language/translation.h"

namespace firma {
namespace {

using detail::BatchQueue;
using detail::BatchSlot;
using detail::failure_code;

// Reads on the calling thread what may wait for a writer: standard input, and
// the FIFOs and devices the workers hand back.
BatchResult sign_here(const std::function<FileReader()>& open, bool standard_input, const BatchOptions& options) {
    std::uint64_t reported = 0;
    ReadOptions read;
    read.on_progress = [&](std::uint64_t consumed, std::uint64_t) {
        if (options.progress != nullptr) options.progress->done += consumed - reported;
        reported = consumed;
        if (options.on_tick) options.on_tick();
    };
    try {
        FileReader reader = open();
        detail::refuse_left_out(reader, options.leave_out);
        if (options.progress != nullptr) detail::count_expected(reader, standard_input, *options.progress);
        return {sign_from(reader, read), {}};
    } catch (...) {
        return {0, failure_code(std::current_exception())};
    }
}

BatchResult sign_front(BatchSlot& front, const BatchOptions& options) {
    if (front.request && front.request->source == SignRequest::Source::standard_input) {
        // Standard input redirected from a file is that file, checked as one.
        return sign_here([] { return FileReader(standard_input(), "-", true, false); }, true, options);
    }
    if (front.deferred) return sign_here([&] { return std::move(*front.deferred); }, false, options);
    if (!front.done && detail::for_workers(front.request)) {  // no worker could be started
        const SignRequest& request = *front.request;
        return sign_here([&] { return FileReader(request.path, request.regular_only, request.folder.get()); }, false,
                         options);
    }
    return front.result;
}

// Files at once that the open-files limit allows: half of what it leaves, the
// other half kept for what the caller opens meanwhile (folders, lists). Opens
// that find the limit reached anyway wait for a file to close.
unsigned files_allowed() {
    return std::max(1u, detail::files_the_limit_leaves() / 2);
}

// The workers, started one by one as files arrive.
class Workers {
public:
    Workers(BatchQueue& queue, const BatchOptions& options)
        : queue_(queue),
          progress_(options.progress),
          leave_out_(options.leave_out),
          files_(std::min(options.files_at_once > 0 ? options.files_at_once : default_jobs(), files_allowed())),
          most_(std::min(files_, detail::available_cores())),
          piece_(detail::piece_size(std::min((files_ + most_ - 1) / most_, static_cast<unsigned>(best_lanes().lanes)),
                                    detail::level2_cache_size())) {}

    // Called for each file to sign: starts a worker if there are fewer than files
    // so far and cores allow. Where the system refuses a thread (or the memory
    // for one), the workers already running carry on alone; where it refuses
    // the first, the calling thread signs every file itself, in its turn.
    void file_added() {
        if (threads_.size() >= most_ || ++files_seen_ <= threads_.size()) return;
        // Worker i reads its share of the files at once, the first ones one more.
        const auto i = static_cast<unsigned>(threads_.size());
        const unsigned share = files_ / most_ + (i < files_ % most_ ? 1 : 0);
        queue_.add_worker();
        try {
            // Room for it first: a thread already running whose handle could
            // not be kept would be joined at once, and wait for ever for files.
            threads_.reserve(threads_.size() + 1);
            auto thread = std::make_unique<detail::WorkerThread>(
                [this, share] { detail::run_worker(queue_, progress_, leave_out_, share, piece_); });
            threads_.push_back(std::move(thread));
        } catch (const std::exception&) {  // std::system_error, std::bad_alloc
            queue_.remove_worker();
            most_ = static_cast<unsigned>(threads_.size());
            if (threads_.empty()) queue_.sign_alone();
        }
    }

private:
    BatchQueue& queue_;
    BatchProgress* progress_;
    const std::vector<FileIdentity>& leave_out_;
    unsigned files_;
    unsigned most_;
    std::size_t piece_;
    std::size_t files_seen_ = 0;
    std::vector<std::unique_ptr<detail::WorkerThread>> threads_;  // joined as they go
};

}  // namespace

unsigned default_jobs() {
    return detail::available_cores() * static_cast<unsigned>(best_lanes().lanes);
}

void detail::sign_in_order(const NextAny& next, const DeliverAny& deliver, const BatchOptions& options) {
    BatchQueue queue(std::max<std::size_t>(options.in_flight, 1));
    Workers workers(queue, options);  // joined after the queue is stopped or drained
    try {
        bool more = true;
        for (;;) {
            const auto ready = [&] { return queue.empty() || !options.next_may_wait || !options.next_may_wait(); };
            while (more && !queue.full() && ready()) {
                auto item = next();
                if (!item) {
                    more = false;
                    break;
                }
                const bool file = detail::for_workers(item->request);
                queue.push(std::move(*item));
                if (file) workers.file_added();
            }
            if (!more) queue.close();
            BatchSlot* front = queue.wait_front(options.on_tick);
            if (front == nullptr) break;
            front->result = sign_front(*front, options);
            deliver(front->item, front->result);
            queue.pop_front();
            if (options.on_tick) options.on_tick();
        }
    } catch (...) {
        queue.stop();
        throw;  // the workers are joined on the way out
    }
}

}  // namespace firma
