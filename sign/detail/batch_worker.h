// Internal to the batch signer: one worker thread's loop. A worker takes files
// from the queue, up to its share at once, reads them in pieces side by side
// and folds them in the lanes of the best kernel.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <system_error>
#include <vector>

#include "sign/detail/batch_queue.h"

namespace firma::detail {

// Why signing failed, as the code a result carries.
std::error_code failure_code(const std::exception_ptr& failure);

// How large the pieces are when a worker reads `files` files side by side on a
// core with `level2` bytes of level-2 cache (0: not known).
std::size_t piece_size(unsigned files, std::size_t level2);

// Signs files from `queue` until it has none left or is stopped, reading at
// most `files` at a time in pieces of `piece` bytes, and adds the bytes read
// to `progress` when given. Files in `leave_out` are never read.
void run_worker(BatchQueue& queue, BatchProgress* progress, const std::vector<FileIdentity>& leave_out,
                unsigned files, std::size_t piece);

// Fails with SignError::is_the_output when `reader` has one of the files in `leave_out` open.
void refuse_left_out(const FileReader& reader, const std::vector<FileIdentity>& leave_out);

// Adds what `reader` says of its size to `progress`: a regular file's size, or
// for standard input that is not a file, that no total can be known.
void count_expected(const FileReader& reader, bool standard_input, BatchProgress& progress);

}  // namespace firma::detail
