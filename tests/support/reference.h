// The recurrence exactly as it is defined, one byte at a time: the yardstick
// every fast path is compared with.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "sign/signature.h"

namespace firma::testing {

// r of one step: the product and the sum each rounded once, then rounded to an
// integer with ties to even (nearbyint in the default rounding mode).
inline std::uint64_t reference_rounded_sum(std::uint32_t a, unsigned byte) {
    const double p = static_cast<double>(a) * kMultiplier;
    const double t = p + static_cast<double>(byte);
    return static_cast<std::uint64_t>(std::nearbyint(t));
}

inline std::uint32_t reference_fold(std::uint32_t a, std::span<const unsigned char> bytes) {
    for (const unsigned char b : bytes)
        a = static_cast<std::uint32_t>(reference_rounded_sum(a, b) % kModulus);
    return a;
}

inline std::uint32_t reference_fold(std::span<const unsigned char> bytes) {
    return reference_fold(0, bytes);
}

inline std::vector<unsigned char> random_bytes(std::size_t size, std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(generator());
    return bytes;
}

inline std::vector<unsigned char> to_bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace firma::testing
