#include "sign/batch_signer.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "sign/detail/batch_queue.h"
#include "sign/detail/batch_worker.h"
#include "sign/detail/file_signing.h"
#include "sign/detail/os.h"
#include "sign/detail/worker_thread.h"
#include "sign/fold.h"

namespace firma {
namespace {

using detail::BatchQueue;
using detail::BatchSlot;

// Files at once that the open-files limit allows: half of what it leaves, the
// other half kept for what the caller opens meanwhile (folders, lists). Opens
// that find the limit reached anyway wait for a file to close.
unsigned files_allowed() {
    return std::max(1u, detail::files_the_limit_leaves() / 2);
}

// The workers, started one by one as files arrive.
class Workers {
public:
    Workers(BatchQueue& queue, const SigningContext& context, unsigned files_at_once)
        : queue_(queue),
          context_(context),
          files_(std::min(files_at_once > 0 ? files_at_once : default_jobs(), files_allowed())),
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
                [this, share] { detail::run_worker(queue_, context_, share, piece_); });
            threads_.push_back(std::move(thread));
        } catch (const std::exception&) {  // std::system_error, std::bad_alloc
            // As a worker that ended: the workers started before may all have
            // left already (short of memory), and then the calling thread signs.
            queue_.leave();
            most_ = static_cast<unsigned>(threads_.size());
        }
    }

private:
    BatchQueue& queue_;
    const SigningContext& context_;
    unsigned files_;
    unsigned most_;
    std::size_t piece_;
    std::size_t files_seen_ = 0;
    std::vector<std::unique_ptr<detail::WorkerThread>> threads_;  // joined as they go
};

}  // namespace

// Members in the order they are torn down in reverse: the workers are joined
// before the queue and the contexts they use go.
struct detail::BatchRun::State {
    explicit State(const BatchOptions& batch)
        : options(batch),
          queue(std::max<std::size_t>(batch.in_flight, 1)),
          for_workers{.progress = batch.progress, .leave_out = &batch.leave_out},
          here{.progress = batch.progress, .leave_out = &batch.leave_out},
          workers(queue, for_workers, batch.files_at_once) {
        if (options.on_tick) here.on_piece = [this](std::uint64_t, std::uint64_t) { options.on_tick(); };
    }

    // Signs on the calling thread what may wait for a writer (standard input,
    // and the FIFOs and devices the workers hand back), and every file where
    // no worker could be started.
    BatchResult sign_here(BatchSlot& slot) {
        try {
            FileSigning signing(slot.deferred ? std::move(*slot.deferred) : FileReader::open(*slot.request), here,
                                *slot.request);
            return sign_in_one_chain(signing, best_chain());
        } catch (...) {
            return {0, failure_code(std::current_exception())};
        }
    }

    const BatchOptions& options;
    BatchQueue queue;
    SigningContext for_workers;
    SigningContext here;
    Workers workers;
};

detail::BatchRun::BatchRun(const BatchOptions& options) : state_(std::make_unique<State>(options)) {}

// Abandons what is left when the caller stops early (its delivery threw):
// the workers return as soon as they can.
detail::BatchRun::~BatchRun() {
    state_->queue.stop();
}

bool detail::BatchRun::takes_more(bool none_waiting) {
    const auto& may_wait = state_->options.next_may_wait;
    return !state_->queue.full() && (none_waiting || !may_wait || !may_wait());
}

void detail::BatchRun::add(std::optional<SignRequest> request) {
    const bool file = for_workers(request);
    state_->queue.push(std::move(request));
    if (file) state_->workers.file_added();
}

void detail::BatchRun::close() {
    state_->queue.close();
}

BatchResult detail::BatchRun::next_result() {
    State& state = *state_;
    if (state.options.on_tick) state.options.on_tick();
    BatchSlot& front = *state.queue.wait_front(state.options.on_tick);
    BatchResult result;
    if (front.done && !front.deferred)
        result = front.result;
    else if (front.request)
        result = state.sign_here(front);
    state.queue.pop_front();
    return result;
}

unsigned default_jobs() {
    return detail::available_cores() * static_cast<unsigned>(best_lanes().lanes);
}

}  // namespace firma
