// Internal to the batch signer: one worker thread's loop. A worker takes files
// from the queue, up to its share at once, reads them in pieces side by side
// and folds them in the lanes of the best kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <system_error>

#include "sign/detail/batch_queue.h"
#include "sign/detail/file_signing.h"

namespace firma::detail {

// Why signing failed, as the code a result carries.
std::error_code failure_code(const std::exception_ptr& failure);

// How large the pieces are when a worker reads `files` files side by side on a
// core with `level2` bytes of level-2 cache (0: not known).
std::size_t piece_size(unsigned files, std::size_t level2);

// Signs files from `queue` until it has none left or is stopped, reading at
// most `files` at a time in pieces of `piece` bytes, each in `context`.
void run_worker(BatchQueue& queue, const SigningContext& context, unsigned files, std::size_t piece);

}  // namespace firma::detail
