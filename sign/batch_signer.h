// Signing many files at once: up to one worker per core, each running several
// files' chains side by side in the lanes of its kernel. Results come back in the
// order the files were given, as soon as every file before them is done.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace firma {

class OpenFolder;

struct BatchJob {
    enum class Kind {
        file,            // sign the file at `path`
        standard_input,  // sign standard input, on the calling thread, in order
        marker,          // nothing to sign: only delivered in its place in the order
    };
    Kind kind = Kind::file;
    std::filesystem::path path;
    std::shared_ptr<const OpenFolder> folder;  // when set, `path` is relative to it
    // Set when the caller found a regular file there: anything else found when
    // it is opened (it was replaced meanwhile) fails as SignError::not_regular_file.
    bool regular_only = false;
};

struct BatchResult {
    std::uint32_t accumulator = 0;
    std::error_code error;  // set when the job could not be signed
};

struct BatchOptions {
    // Files open and read at once, at most (0: default_jobs()). Workers are
    // started only as files arrive, one per core at most; 1 reads one file after
    // another.
    unsigned files_at_once = 0;
    std::size_t in_flight = 1024;  // jobs taken ahead of delivery at most: bounds memory
    // Bytes read so far, updated by the workers (for progress displays).
    std::atomic<std::uint64_t>* bytes_done = nullptr;
    // Called on the calling thread between deliveries and about four times a
    // second while waiting.
    std::function<void()> on_tick;
};

using NextJob = std::function<std::optional<BatchJob>()>;
using Deliver = std::function<void(const BatchJob& job, const BatchResult& result)>;

// Signs the jobs `next` yields until it yields nothing, and hands each result to
// `deliver` in order, on the calling thread. Files whose reads may wait for a
// writer (FIFOs, devices) are read on the calling thread in their turn, after
// every file before them is delivered; the workers read on meanwhile. If `deliver` throws, the workers stop
// and the exception propagates. When not even one worker thread can be started,
// throws std::system_error saying so.
void sign_batch(const NextJob& next, const Deliver& deliver, const BatchOptions& options = {});

// Files at once that keep every core's lanes busy.
unsigned default_jobs();

}  // namespace firma
