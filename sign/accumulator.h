// The streaming form of the signature: feed the bytes in any number of pieces;
// the result depends only on the bytes, never on how they were split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "sign/fold.h"

namespace firma {

class Accumulator {
public:
    Accumulator() noexcept;
    // Folds with the given chain instead of the fastest one (tests compare them).
    explicit Accumulator(const FoldChain& chain) noexcept;

    void update(std::span<const unsigned char> bytes) noexcept;

    std::uint32_t value() const noexcept { return value_; }
    std::string signature() const;

private:
    FoldFunction fold_;
    std::uint32_t value_ = 0;
};

// What of `bytes` a fold from `accumulator` must read: while it is 0, zero
// bytes leave it at 0, and zero runs (padding, sparse files) can be long.
std::span<const unsigned char> bytes_to_fold(std::uint32_t accumulator, std::span<const unsigned char> bytes) noexcept;

// The signature of bytes held in memory.
std::string sign_bytes(std::span<const unsigned char> bytes);

}  // namespace firma
