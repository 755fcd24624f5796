// Every kernel against the plain reference: lengths, splits, runs, ties and
// arbitrary starting states.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "sign/accumulator.h"
#include "sign/detail/self_check.h"
#include "sign/fold.h"
#include "sign/signature.h"
#include "reference.h"

namespace firma {
namespace {

using testing::random_bytes;
using testing::reference_fold;
using testing::reference_rounded_sum;
using Bytes = std::vector<unsigned char>;

std::uint32_t fold(const FoldChain& chain, std::uint32_t a, const Bytes& bytes) {
    return chain.fold(a, bytes.data(), bytes.size());
}

// The check every process makes before its first signature: a kernel off by a
// single rounding, in one file or in its lanes, is caught.
TEST(Kernels, TheStartUpCheckCatchesAKernelThatRoundsWrongly) {
    const FoldChain& good_chain = available_chains().front();
    const FoldLanes& good_lanes = available_lanes().front();
    static FoldFunction right_fold;
    static FoldLanesFunction right_lanes;
    right_fold = good_chain.fold;
    right_lanes = good_lanes.fold;
    // Wrong only in the last step that lands on a tie, as a fused multiply-add is.
    const FoldFunction off_at_ties = [](std::uint32_t a, const unsigned char* bytes, std::size_t size) {
        const std::uint32_t right = right_fold(a, bytes, size);
        return right == 0x00BFBE6u ? right - 1 : right;
    };
    const FoldLanesFunction lanes_off_at_ties = [](std::uint32_t* a, const unsigned char* const* bytes, std::size_t size) {
        right_lanes(a, bytes, size);
        if (a[0] == 0x00BFBE6u) a[0] -= 1;
    };
    for (const auto& chain : available_chains()) EXPECT_TRUE(detail::gives_known_answers(chain)) << chain.name;
    for (const auto& lanes : available_lanes()) EXPECT_TRUE(detail::gives_known_answers(lanes)) << lanes.name;
    EXPECT_FALSE(detail::gives_known_answers(FoldChain{"fused", off_at_ties, 1}));
    EXPECT_FALSE(detail::gives_known_answers(FoldLanes{"fused lanes", good_lanes.lanes, lanes_off_at_ties, 1}));
}

TEST(Kernels, MatchReferenceOnEveryLengthUpTo300) {
    for (std::size_t length = 0; length <= 300; ++length) {
        const Bytes bytes = random_bytes(length, length);
        const std::uint32_t expected = reference_fold(bytes);
        for (const auto& chain : available_chains())
            ASSERT_EQ(fold(chain, 0, bytes), expected) << chain.name << ", length " << length;
    }
}

TEST(Kernels, MatchReferenceFromArbitraryStates) {
    std::mt19937_64 generator(7);
    for (int round = 0; round < 2000; ++round) {
        const auto start = static_cast<std::uint32_t>(generator() % kModulus);
        const Bytes bytes = random_bytes(static_cast<std::size_t>(1 + generator() % 40), generator());
        const std::uint32_t expected = reference_fold(start, bytes);
        for (const auto& chain : available_chains())
            ASSERT_EQ(fold(chain, start, bytes), expected) << chain.name << " from " << start;
    }
}

TEST(Kernels, MatchReferenceOnLongRunsOfZerosAndOnes) {
    for (const int fill : {0x00, 0xFF}) {
        for (const std::uint32_t start : {0u, 1u, 12345u, kModulus - 1}) {
            const Bytes run(1 << 20, static_cast<unsigned char>(fill));
            const std::uint32_t expected = reference_fold(start, run);
            for (const auto& chain : available_chains())
                EXPECT_EQ(fold(chain, start, run), expected)
                    << chain.name << ", fill " << fill << ", start " << start;
        }
    }
}

TEST(Kernels, MatchReferenceOnLargeRandomInput) {
    const Bytes bytes = random_bytes(16 << 20, 2024);
    const std::uint32_t expected = reference_fold(bytes);
    for (const auto& chain : available_chains()) EXPECT_EQ(fold(chain, 0, bytes), expected) << chain.name;
}

// Each lane is its own chain: different data, different starting states, fed in
// pieces of varying size, and never mixed up with its neighbours.
TEST(Kernels, LanesMatchReferenceChainByChain) {
    for (const auto& kernel : available_lanes()) {
        const auto lanes = static_cast<std::size_t>(kernel.lanes);
        std::vector<Bytes> inputs;
        std::vector<std::uint32_t> accumulators, expected;
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            inputs.push_back(random_bytes(100000, 40 + lane));
            accumulators.push_back(static_cast<std::uint32_t>(lane * 99991));
            expected.push_back(reference_fold(accumulators.back(), inputs.back()));
        }
        std::size_t done = 0;
        for (std::size_t piece = 1; done < 100000; piece = piece * 3 + 1) {
            const std::size_t size = std::min(piece, 100000 - done);
            std::vector<const unsigned char*> pointers;
            for (const auto& input : inputs) pointers.push_back(input.data() + done);
            kernel.fold(accumulators.data(), pointers.data(), size);
            done += size;
        }
        EXPECT_EQ(accumulators, expected) << kernel.name;
    }
}

// The remainder subtracts kM exactly from the states where r reaches kM. Those
// states are found here by bisection over the reference, independently of the
// kernels' own tables, and each kernel is run on both sides of each one.
TEST(Kernels, MatchReferenceOnBothSidesOfEveryRemainderBoundary) {
    for (unsigned b = 0; b < 256; ++b) {
        for (std::uint64_t k = 1; k <= 3; ++k) {
            std::uint32_t low = 0, high = kModulus;  // r(low) < kM <= r(high), high may be "none"
            while (high - low > 1) {
                const std::uint32_t middle = low + (high - low) / 2;
                (reference_rounded_sum(middle, b) >= k * kModulus ? high : low) = middle;
            }
            for (const std::uint32_t start : {low, high}) {
                if (start >= kModulus) continue;
                const Bytes bytes = {static_cast<unsigned char>(b), 0x5A};
                const std::uint32_t expected = reference_fold(start, bytes);
                for (const auto& chain : available_chains())
                    ASSERT_EQ(fold(chain, start, bytes), expected)
                        << chain.name << " from " << start << " byte " << b << " k " << k;
                for (const auto& kernel : available_lanes()) {
                    std::vector<std::uint32_t> accumulators(kernel.lanes, start);
                    std::vector<const unsigned char*> pointers(kernel.lanes, bytes.data());
                    kernel.fold(accumulators.data(), pointers.data(), bytes.size());
                    ASSERT_EQ(accumulators[0], expected) << kernel.name << " lanes from " << start;
                }
            }
        }
    }
}

// The streamed result never depends on where the input is cut.
TEST(Accumulator, EverySplitOfShortInputsGivesTheSameSignature) {
    for (std::size_t length = 0; length <= 24; ++length) {
        const Bytes bytes = random_bytes(length, 100 + length);
        const std::uint32_t expected = reference_fold(bytes);
        for (const auto& chain : available_chains()) {
            for (std::size_t first = 0; first <= length; ++first) {
                for (std::size_t second = first; second <= length; ++second) {
                    Accumulator accumulator(chain);
                    accumulator.update({bytes.data(), first});
                    accumulator.update({bytes.data() + first, second - first});
                    accumulator.update({bytes.data() + second, length - second});
                    ASSERT_EQ(accumulator.value(), expected)
                        << chain.name << " split at " << first << ", " << second;
                }
            }
        }
    }
}

// Leading zeros are skipped while the value is 0; zeros after a value are not.
TEST(Accumulator, ZerosCountOnlyOnceTheValueIsNotZero) {
    Bytes bytes(1000, 0);
    bytes.push_back('a');
    bytes.resize(2000, 0);
    bytes.push_back('b');
    for (std::size_t piece : {1u, 7u, 8u, 9u, 4096u}) {
        Accumulator accumulator;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            accumulator.update({bytes.data() + at, std::min(piece, bytes.size() - at)});
        EXPECT_EQ(accumulator.value(), reference_fold(bytes)) << "pieces of " << piece;
    }
}

// a*K is a tie (fraction exactly .5 after rounding the product) exactly for the
// states 250000 * odd: 3.141526 * 250000 = 785381.5.
std::vector<std::uint32_t> tie_states() {
    std::vector<std::uint32_t> states;
    for (std::uint64_t a = 250000; a < kModulus; a += 500000) {
        const double p = static_cast<double>(a) * kMultiplier;
        if (p - std::floor(p) == 0.5) states.push_back(static_cast<std::uint32_t>(a));
    }
    return states;
}

// Every byte from every state near a tie (a = 250000 * odd: a*K within 5e-8 of a
// half-integer, the ties among them), in the single chain and in every lane.
TEST(Ties, EveryByteFromEveryNearTieStateMatchesReference) {
    std::vector<std::uint32_t> states;
    for (std::uint32_t a = 250000; a < kModulus; a += 500000) states.push_back(a);
    ASSERT_EQ(states.size(), 537u);
    ASSERT_GT(tie_states().size(), 500u);
    for (unsigned b = 0; b < 256; ++b) {
        const Bytes bytes = {static_cast<unsigned char>(b), 0x00, 0xFF};
        for (const std::uint32_t start : states)
            for (const auto& chain : available_chains())
                ASSERT_EQ(fold(chain, start, bytes), reference_fold(start, bytes))
                    << chain.name << " from " << start << " byte " << b;
    }
    for (const auto& kernel : available_lanes()) {
        const auto lanes = static_cast<std::size_t>(kernel.lanes);
        for (unsigned b = 0; b < 256; ++b) {
            const Bytes bytes = {static_cast<unsigned char>(b), 0x00, 0xFF};
            const std::vector<const unsigned char*> pointers(lanes, bytes.data());
            for (std::size_t first = 0; first < states.size(); first += lanes) {
                std::vector<std::uint32_t> accumulators(lanes);
                for (std::size_t lane = 0; lane < lanes; ++lane)
                    accumulators[lane] = states[std::min(first + lane, states.size() - 1)];
                const std::vector<std::uint32_t> starts = accumulators;
                kernel.fold(accumulators.data(), pointers.data(), bytes.size());
                for (std::size_t lane = 0; lane < lanes; ++lane)
                    ASSERT_EQ(accumulators[lane], reference_fold(starts[lane], bytes))
                        << kernel.name << " lane " << lane << " from " << starts[lane] << " byte " << b;
            }
        }
    }
}

// Bytes that take the accumulator from 0 to `target`, found backwards: from 0 one
// byte b gives b, and a predecessor of t is an a with fold(a, b) == t.
std::optional<Bytes> path_to(std::uint32_t target, int depth = 0) {
    if (target < 256) return Bytes{static_cast<unsigned char>(target)};
    if (depth > 40) return std::nullopt;
    for (unsigned k = 0; k < 4; ++k) {
        for (unsigned b = 0; b < 256; ++b) {
            const double estimate = (target + static_cast<double>(k) * kModulus - b) / kMultiplier;
            const auto a = static_cast<std::uint32_t>(std::llround(estimate));
            if (a == 0 || a >= kModulus || reference_rounded_sum(a, b) % kModulus != target) continue;
            if (auto path = path_to(a, depth + 1)) {
                path->push_back(static_cast<unsigned char>(b));
                return path;
            }
        }
    }
    return std::nullopt;
}

// Whole inputs, from an empty accumulator, that land on ties of both parities.
TEST(Ties, InputsThatLandOnTiesSignLikeTheReference) {
    const auto states = tie_states();
    for (std::size_t i = 0; i < states.size(); i += 37) {
        auto path = path_to(states[i]);
        ASSERT_TRUE(path.has_value()) << "no path to " << states[i];
        ASSERT_EQ(reference_fold(*path), states[i]);
        for (const int last : {0x00, 0x01, 0x7F, 0xFF}) {
            Bytes bytes = *path;
            bytes.push_back(static_cast<unsigned char>(last));
            EXPECT_EQ(sign_bytes(bytes), format_signature(reference_fold(bytes)))
                << "through " << states[i] << " then " << last;
        }
    }
}

}  // namespace
}  // namespace firma
