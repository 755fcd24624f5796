#include "sign/detail/batch_worker.h"

#include <algorithm>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "sign/detail/file_signing.h"
#include "sign/fold.h"
#include "sign/sign_error.h"

namespace firma::detail {
namespace {

// One file being signed in one lane of a worker.
struct Lane {
    Lane(std::size_t piece, std::size_t offset) : buffer(piece, offset) {}

    BatchSlot* slot = nullptr;
    std::optional<FileSigning> signing;
    PieceBuffer buffer;

    bool active() const { return slot != nullptr; }
};

// Out of descriptors or memory is no fault of the file: another file done
// gives some back.
bool out_of_room(const std::error_code& error) {
    return error == std::errc::too_many_files_open || error == std::errc::too_many_files_open_in_system ||
           error == std::errc::not_enough_memory;
}

class Worker {
public:
    // Reads at most `files` files at a time, in pieces of `piece` bytes; with
    // fewer where memory for the buffers runs short, and one file at a time in
    // small pieces before giving up (std::bad_alloc).
    Worker(BatchQueue& queue, const SigningContext& context, unsigned files, std::size_t piece)
        : queue_(queue),
          context_(context),
          chain_(best_chain()),
          kernel_(best_lanes()),
          pays_off_(static_cast<std::size_t>(lanes_pay_off(chain_, kernel_))),
          piece_(piece),
          accumulators_(kernel_.lanes, 0),
          bytes_(kernel_.lanes, nullptr) {
        const auto lanes = std::min<std::size_t>(files, kernel_.lanes);
        lanes_.reserve(lanes);
        try {
            for (std::size_t i = 0; i < lanes; ++i) lanes_.emplace_back(piece, PieceBuffer::lane_offset(i, kernel_.lanes));
        } catch (const std::bad_alloc&) {
            if (lanes_.empty()) {
                piece_ = kSmallestPiece;
                lanes_.emplace_back(piece_, 0);
            }
        }
        most_open_ = lanes_.size();
    }

    void run() {
        while (fill_lanes()) {
            if (queue_.stopped()) return;
            if (!refill_pieces()) continue;  // a lane came free: fill it first
            fold_pending();
        }
    }

    static constexpr std::size_t kSmallestPiece = 64 * 1024;

private:
    std::size_t active_count() const {
        return static_cast<std::size_t>(std::count_if(lanes_.begin(), lanes_.end(), [](const Lane& lane) { return lane.active(); }));
    }

    // Gives every free lane a file; waits for one only when all lanes are free.
    // Returns false when there is nothing left to do.
    bool fill_lanes() {
        for (;;) {
            for (Lane& lane : lanes_) {
                while (!lane.active() && active_count() < most_open_ && !shrink_ && !leaving_) {
                    const std::size_t reading = active_count();
                    BatchSlot* slot =
                        held_ != nullptr ? std::exchange(held_, nullptr) : queue_.take(reading == 0, reading);
                    if (slot == nullptr || !open(lane, slot)) break;
                }
                if (shrink_ || leaving_) break;
            }
            if (leaving_) return false;
            if (!shrink_) return active_count() > 0;
            // No file open here and none anywhere to wait for: the other
            // lanes' buffers give their memory back, and one lane reads on.
            shrink_ = false;
            while (lanes_.size() > 1) lanes_.pop_back();
            most_open_ = 1;
        }
    }

    // Opens the file of `slot` in `lane`, or hands it back to be read in its
    // turn, or completes it with its failure. False when it must wait, held,
    // for one of this worker's files to close.
    bool open(Lane& lane, BatchSlot* slot) {
        for (;;) {
            const std::size_t done_before = queue_.files_done();
            try {
                FileReader reader = FileReader::open(*slot->request);
                // A read that waits for a writer would hold back every lane here.
                if (reader.may_wait()) {
                    queue_.defer(slot, std::move(reader));
                    return true;
                }
                lane.signing.emplace(std::move(reader), context_, *slot->request);
                lane.slot = slot;
                return true;
            } catch (...) {
                const std::error_code error = failure_code(std::current_exception());
                // Fewer files at once, then one after another.
                if (out_of_room(error)) {
                    const std::size_t open_here = active_count();
                    if (open_here > 0) {
                        held_ = slot;
                        most_open_ = open_here;
                        return false;
                    }
                    if (queue_.wait_for_a_file_closed(done_before)) continue;
                    if (error == std::errc::not_enough_memory && lanes_.size() > 1) {
                        held_ = slot;
                        shrink_ = true;
                        return false;
                    }
                    // Down to one lane and still short: the memory is held
                    // by other workers. This one leaves, giving back its
                    // buffer and the file, which another reads, or else the
                    // calling thread, alone.
                    if (error == std::errc::not_enough_memory) {
                        queue_.hand_back(slot);
                        leaving_ = true;
                        return false;
                    }
                }
                queue_.complete(slot, {0, error});
                return true;
            }
        }
    }

    // Closes the file before saying it is done: a worker waiting for a
    // descriptor may then have this one.
    void finish(Lane& lane, const BatchResult& result) {
        lane.signing.reset();
        queue_.complete(std::exchange(lane.slot, nullptr), result);
    }

    // Reads a piece for every lane that has used up its last one. Returns false
    // when a lane finished or failed instead.
    bool refill_pieces() {
        bool all_have_bytes = true;
        for (Lane& lane : lanes_) {
            if (!lane.active() || !lane.signing->pending().empty()) continue;
            try {
                if (!lane.signing->read_piece(lane.buffer.span())) {
                    finish(lane, lane.signing->result());
                    all_have_bytes = false;
                }
            } catch (...) {
                finish(lane, {0, failure_code(std::current_exception())});
                all_have_bytes = false;
            }
        }
        return all_have_bytes;
    }

    // Folds as many bytes as every active lane has, in the kernel's lanes; a few
    // files alone fold faster one after another in the single chain.
    void fold_pending() {
        if (active_count() < pays_off_) {
            for (Lane& lane : lanes_)
                if (lane.active()) lane.signing->fold(chain_);
            return;
        }
        std::size_t size = piece_;
        for (const Lane& lane : lanes_)
            if (lane.active()) size = std::min(size, lane.signing->pending().size());
        // Idle lanes fold some active lane's bytes again; their results are dropped.
        const unsigned char* spare = nullptr;
        for (const Lane& lane : lanes_)
            if (lane.active()) spare = lane.signing->pending().data();
        std::fill(bytes_.begin(), bytes_.end(), spare);
        for (std::size_t i = 0; i < lanes_.size(); ++i) {
            if (!lanes_[i].active()) continue;
            accumulators_[i] = lanes_[i].signing->accumulator();
            bytes_[i] = lanes_[i].signing->pending().data();
        }
        kernel_.fold(accumulators_.data(), bytes_.data(), size);
        for (std::size_t i = 0; i < lanes_.size(); ++i)
            if (lanes_[i].active()) lanes_[i].signing->folded(size, accumulators_[i]);
    }

    BatchQueue& queue_;
    const SigningContext& context_;
    const FoldChain& chain_;
    const FoldLanes& kernel_;
    std::size_t pays_off_;  // active files from which the lanes beat the chain
    std::size_t piece_;
    std::vector<Lane> lanes_;
    std::size_t most_open_;             // files open at once, fewer after running out of descriptors
    BatchSlot* held_ = nullptr;         // taken, waiting for a descriptor or memory
    bool shrink_ = false;               // memory for a file is wanting: keep one lane only
    bool leaving_ = false;              // and with one lane still wanting: leave
    std::vector<std::uint32_t> accumulators_;
    std::vector<const unsigned char*> bytes_;
};

}  // namespace

std::error_code failure_code(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::system_error& error) {
        return error.code();
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    } catch (...) {
        return std::make_error_code(std::errc::io_error);
    }
}

// A worker's pieces together take about twice its core's level-2 cache: the
// lanes then fold each piece while read() has just left it in the cache,
// rather than fetch it back from memory. Measured on a 2-core AMD EPYC (512 KiB
// of L2, 16 lanes): 64 KiB pieces sign 25 % faster on a core than 2 MiB ones,
// and read cold from disk no slower. Where the size is not known, 64 KiB: the
// best there, and within the clamp on any processor measured.
constexpr std::size_t kPieceWhereCacheUnknown = 64 * 1024;
constexpr std::size_t kSmallestSidePiece = 32 * 1024;  // fewer bytes a read() would cost more than they bring
constexpr std::size_t kLargestSidePiece = 256 * 1024;

std::size_t piece_size(unsigned files, std::size_t level2) {
    if (files <= 1) return FileReader::kPieceSize;  // one file reads as it does alone
    if (level2 == 0) return kPieceWhereCacheUnknown;
    const std::size_t share = 2 * level2 / files;
    return std::clamp(share, kSmallestSidePiece, kLargestSidePiece) / PieceBuffer::kPageSize * PieceBuffer::kPageSize;
}

void run_worker(BatchQueue& queue, const SigningContext& context, unsigned files, std::size_t piece) {
    {
        std::optional<Worker> worker;
        try {
            worker.emplace(queue, context, files, piece);
        } catch (const std::bad_alloc&) {
            // Not even one small buffer: the other workers read on, or else
            // the calling thread, with what memory it has.
        }
        if (worker) worker->run();
    }  // its buffers go before the others are told
    // Whether it is done or left for want of memory, a file handed back
    // meanwhile goes to the workers still running, or else the calling thread.
    queue.leave();
}

}  // namespace firma::detail
