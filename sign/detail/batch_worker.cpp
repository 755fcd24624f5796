#include "sign/detail/batch_worker.h"

#include <algorithm>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "sign/accumulator.h"
#include "sign/detail/file_reader.h"
#include "sign/fold.h"

namespace firma::detail {
namespace {

// One file being signed in one lane of a worker.
struct Lane {
    Lane(std::size_t piece, std::size_t offset) : buffer(piece, offset) {}

    BatchSlot* slot = nullptr;
    std::optional<FileReader> reader;
    PieceBuffer buffer;
    std::span<const unsigned char> pending;
    std::uint32_t accumulator = 0;

    bool active() const { return slot != nullptr; }
};

class Worker {
public:
    // Reads at most `files` files at a time, in pieces of `piece` bytes.
    Worker(BatchQueue& queue, std::atomic<std::uint64_t>* bytes_done, unsigned files, std::size_t piece)
        : queue_(queue),
          bytes_done_(bytes_done),
          kernel_(best_kernel()),
          piece_(piece),
          accumulators_(kernel_.lanes, 0),
          bytes_(kernel_.lanes, nullptr) {
        const auto lanes = std::min<std::size_t>(files, kernel_.lanes);
        lanes_.reserve(lanes);
        // Two cache lines apart within a page: the kernel reads the same position
        // of every lane's buffer at once.
        for (std::size_t i = 0; i < lanes; ++i) lanes_.emplace_back(piece, i * 128 % 4096);
    }

    void run() {
        while (fill_lanes()) {
            if (queue_.stopped()) return;
            if (!refill_pieces()) continue;  // a lane came free: fill it first
            fold_pending();
        }
    }

private:
    std::size_t active_count() const {
        return static_cast<std::size_t>(std::count_if(lanes_.begin(), lanes_.end(), [](const Lane& lane) { return lane.active(); }));
    }

    // Gives every free lane a file; waits for one only when all lanes are free.
    // Returns false when there is nothing left to do.
    bool fill_lanes() {
        for (Lane& lane : lanes_) {
            while (!lane.active()) {
                const std::size_t reading = active_count();
                BatchSlot* slot = queue_.take(reading == 0, reading);
                if (slot == nullptr) break;
                try {
                    lane.reader.emplace(slot->job.path, false, slot->job.folder.get());
                    lane.slot = slot;
                    lane.accumulator = 0;
                    lane.pending = {};
                } catch (...) {
                    queue_.complete(slot, {0, error_of(std::current_exception())});
                }
            }
        }
        return active_count() > 0;
    }

    void finish(Lane& lane, const BatchResult& result) {
        queue_.complete(lane.slot, result);
        lane.slot = nullptr;
        lane.reader.reset();
    }

    // Reads a piece for every lane that has used up its last one. Returns false
    // when a lane finished or failed instead.
    bool refill_pieces() {
        bool all_have_bytes = true;
        for (Lane& lane : lanes_) {
            if (!lane.active() || !lane.pending.empty()) continue;
            try {
                const std::uint64_t before = lane.reader->consumed();
                auto piece = lane.reader->read(lane.buffer.span(), lane.accumulator == 0);
                if (bytes_done_ != nullptr) *bytes_done_ += lane.reader->consumed() - before;
                if (piece.empty()) {
                    lane.reader->finish();
                    finish(lane, {lane.accumulator, {}});
                    all_have_bytes = false;
                    continue;
                }
                if (lane.accumulator == 0) piece = piece.subspan(count_leading_zeros(piece));
                lane.pending = piece;
            } catch (...) {
                finish(lane, {0, error_of(std::current_exception())});
                all_have_bytes = false;
            }
        }
        return all_have_bytes;
    }

    // Folds as many bytes as every active lane has, in the kernel's lanes; a few
    // files alone fold faster one after another in the single chain.
    void fold_pending() {
        if (active_count() < static_cast<std::size_t>(kernel_.lanes_pay_off)) {
            for (Lane& lane : lanes_) {
                if (!lane.active()) continue;
                lane.accumulator = kernel_.fold(lane.accumulator, lane.pending.data(), lane.pending.size());
                lane.pending = {};
            }
            return;
        }
        std::size_t size = piece_;
        for (const Lane& lane : lanes_)
            if (lane.active()) size = std::min(size, lane.pending.size());
        // Idle lanes fold some active lane's bytes again; their results are dropped.
        const unsigned char* spare = nullptr;
        for (const Lane& lane : lanes_)
            if (lane.active()) spare = lane.pending.data();
        std::fill(bytes_.begin(), bytes_.end(), spare);
        for (std::size_t i = 0; i < lanes_.size(); ++i) {
            accumulators_[i] = lanes_[i].accumulator;
            if (lanes_[i].active()) bytes_[i] = lanes_[i].pending.data();
        }
        kernel_.fold_lanes(accumulators_.data(), bytes_.data(), size);
        for (std::size_t i = 0; i < lanes_.size(); ++i) {
            lanes_[i].accumulator = accumulators_[i];
            if (lanes_[i].active()) lanes_[i].pending = lanes_[i].pending.subspan(size);
        }
    }

    BatchQueue& queue_;
    std::atomic<std::uint64_t>* bytes_done_;
    const FoldKernel& kernel_;
    std::size_t piece_;
    std::vector<Lane> lanes_;
    std::vector<std::uint32_t> accumulators_;
    std::vector<const unsigned char*> bytes_;
};

}  // namespace

std::error_code error_of(const std::exception_ptr& failure) {
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

// Pieces of files read side by side are large, so that a disk reads long runs
// of each file between seeks; together they stay within a fixed budget.
constexpr std::size_t kSmallestPiece = 64 * 1024;
constexpr std::size_t kLargestPiece = 4 * 1024 * 1024;
constexpr std::size_t kPieceBudget = 32 * 1024 * 1024;

std::size_t piece_size(unsigned files_at_once) {
    if (files_at_once == 1) return FileReader::kPieceSize;  // nothing to seek between
    const std::size_t share = kPieceBudget / std::max(files_at_once, 1u);
    return std::clamp(share, kSmallestPiece, kLargestPiece) / kSmallestPiece * kSmallestPiece;
}

void run_worker(BatchQueue& queue, std::atomic<std::uint64_t>* bytes_done, unsigned files, std::size_t piece) {
    Worker(queue, bytes_done, files, piece).run();
}

}  // namespace firma::detail
