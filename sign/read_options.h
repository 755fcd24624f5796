// How one file is read to its signature: progress, stopping, which files may
// be read, the chain. A plain type of the core's bottom floor, shared by the
// public signing calls and the reader beneath them.
#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>

namespace firma {

struct FoldChain;

struct ReadOptions {
    // Called after each piece with the bytes consumed so far, and the file's
    // size from where reading started (0 where no size is known: a pipe).
    std::function<void(std::uint64_t consumed, std::uint64_t total)> on_progress;
    // Checked before each piece: a stop request ends the read with SignError::cancelled.
    std::stop_token stop;
    // Refuse FIFOs, devices and sockets (SignError::not_regular_file) without
    // opening them: reading those may never end, and opening some has side effects.
    bool regular_only = false;
    // The chain to fold with (benchmarks compare them); null: the fastest.
    const FoldChain* chain = nullptr;
};

}  // namespace firma
