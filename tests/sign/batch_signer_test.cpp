// Many files at once: every result right, in order, whatever the threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>

#include "sign/detail/batch_queue.h"
#include "sign/detail/batch_worker.h"
#include "sign/detail/file_reader.h"
#include "sign/batch_signer.h"
#include "sign/signature.h"
#include "reference.h"
#include "temp_dir.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace firma {
namespace {

using testing::random_bytes;
using testing::reference_fold;

struct Expected {
    std::optional<SignRequest> request;  // nothing: an item that only keeps its place
    std::uint32_t value = 0;
    std::errc error{};
    std::optional<ContentDigest> digest;  // when the request asks for one
};

// XXH3-128 of bytes in memory, in its canonical form.
ContentDigest reference_digest(const std::vector<unsigned char>& bytes) {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits(bytes.data(), bytes.size()));
    ContentDigest digest{bytes.size(), {}};
    std::copy(std::begin(canonical.digest), std::end(canonical.digest), digest.hash.begin());
    return digest;
}

class BatchSigner : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::vector<Expected> expected;

    void SetUp() override {
        std::mt19937_64 generator(3);
        for (int i = 0; i < 120; ++i) {
            // Mostly small, some over several pieces, some starting with zeros.
            auto size = static_cast<std::size_t>(generator() % 3 == 0 ? generator() % 900000 : generator() % 5000);
            auto bytes = random_bytes(size, i);
            if (i % 7 == 0) std::fill_n(bytes.begin(), std::min<std::size_t>(size, 300000), 0);
            const std::string path = dir.write("f" + std::to_string(i), std::string(bytes.begin(), bytes.end()));
            expected.push_back({SignRequest{SignRequest::Source::file, path}, reference_fold(bytes)});
            if (i % 3 == 0) {  // with the digest, the zeros and the holes count too
                expected.back().request->digest = true;
                expected.back().digest = reference_digest(bytes);
            }
            if (i % 25 == 0) expected.push_back({std::nullopt, 0});
            if (i % 30 == 0)
                expected.push_back({SignRequest{SignRequest::Source::file, dir / "missing"}, 0, std::errc::no_such_file_or_directory});
            if (i % 40 == 0)
                expected.push_back({SignRequest{SignRequest::Source::file, dir.path().string()}, 0, std::errc::is_a_directory});
        }
    }
};

// Files at once: one after another, a few (each worker's chain), and enough for
// every lane of the kernel (0: the default).
TEST_F(BatchSigner, DeliversEveryResultInOrderWhateverTheThreads) {
    for (const unsigned threads : {1u, 2u, 3u, 40u, 0u}) {
        for (const std::size_t in_flight : {1u, 7u, 1024u}) {
            std::size_t produced = 0, delivered = 0;
            const auto next = [&]() -> std::optional<BatchItem<std::size_t>> {
                EXPECT_LE(produced - delivered, in_flight);
                if (produced == expected.size()) return std::nullopt;
                const std::size_t item = produced++;
                return BatchItem<std::size_t>{item, expected[item].request};
            };
            const auto deliver = [&](std::size_t item, const BatchResult& result) {
                EXPECT_EQ(item, delivered);
                const Expected& want = expected[delivered++];
                const auto path = want.request ? want.request->path : "";
                if (want.error != std::errc{}) {
                    EXPECT_TRUE(result.error == want.error) << path << ": " << result.error.message();
                } else {
                    EXPECT_FALSE(result.error) << path << ": " << result.error.message();
                    EXPECT_EQ(result.accumulator, want.value) << path;
                    EXPECT_EQ(result.digest, want.digest) << path;
                }
            };
            sign_in_order<std::size_t>(next, deliver, {threads, in_flight, nullptr, {}});
            EXPECT_EQ(delivered, expected.size()) << threads << " threads";
        }
    }
}

// Every byte read is counted, and every size the files opened said.
TEST_F(BatchSigner, CountsEveryByteRead) {
    BatchProgress progress;
    std::size_t produced = 0;
    std::uint64_t total = 0;
    for (const auto& want : expected)
        if (want.request && want.error == std::errc{}) total += std::filesystem::file_size(want.request->path);
    sign_in_order<std::size_t>(
        [&]() -> std::optional<BatchItem<std::size_t>> {
            if (produced == expected.size()) return std::nullopt;
            return BatchItem<std::size_t>{produced, expected[produced++].request};
        },
        [](std::size_t, const BatchResult&) {}, {2, 64, &progress, {}});
    EXPECT_EQ(progress.done.load(), total);
    EXPECT_EQ(progress.expected.load(), total);
    EXPECT_FALSE(progress.total_unknown);
}

TEST_F(BatchSigner, AFailingDeliveryStopsTheWorkersAndPropagates) {
    std::size_t produced = 0, delivered = 0;
    const auto next = [&]() -> std::optional<BatchItem<std::size_t>> {
        if (produced == expected.size()) return std::nullopt;
        return BatchItem<std::size_t>{produced, expected[produced++].request};
    };
    const auto deliver = [&](std::size_t, const BatchResult&) {
        if (++delivered == 3) throw std::runtime_error("output closed");
    };
    EXPECT_THROW(sign_in_order<std::size_t>(next, deliver, {2, 16, nullptr, {}}), std::runtime_error);
    EXPECT_EQ(delivered, 3u);
}

// A worker that is quick to start must leave the others their share of the
// files in hand, or one worker reads everything while the rest idle.
TEST(BatchQueue, AWorkerTakesNoMoreThanItsShareOfTheFilesInHand) {
    detail::BatchQueue queue(16);
    queue.add_worker();
    queue.add_worker();
    for (int i = 0; i < 5; ++i) queue.push(SignRequest{SignRequest::Source::file, "f"});
    const auto take_all = [&] {
        std::size_t reading = 0;
        while (queue.take(false, reading) != nullptr) ++reading;
        return reading;
    };
    EXPECT_EQ(take_all(), 3u);  // ceil(5 / 2)
    EXPECT_EQ(take_all(), 2u);
}

// However the workers' starts and ends interleave, once none is left the
// calling thread takes the files itself: a worker that left short of memory
// while the next one was failing to start must not leave them to no one.
TEST(BatchQueue, OnceNoWorkerIsLeftTheCallingThreadTakesTheFiles) {
    const std::vector<std::vector<bool>> orders{
        {true, false},               // one worker, which leaves
        {true, true, false, false},  // the first leaves while the second fails to start
        {true, false, true, false},  // one after the other
    };
    for (const auto& order : orders) {
        detail::BatchQueue queue(16);
        for (const bool starts : order) starts ? queue.add_worker() : queue.leave();
        queue.push(SignRequest{SignRequest::Source::file, "f"});
        queue.close();
        int ticks = 0;  // four ticks (a second) without the file: it was left to no one
        const auto tick = [&] {
            if (++ticks == 4) throw std::runtime_error("nobody takes the file");
        };
        EXPECT_NE(queue.wait_front(tick), nullptr) << order.size();
    }
}

// A worker's pieces fit about twice its core's level-2 cache, whole pages, within
// bounds where a read() costs more than it brings or a cache could never hold them.
// What the pieces' size is for: one file reads as it does alone; files side by
// side share about twice the core's cache (so the lanes fold what read() has
// just left there), in whole pages, never so small that a read() costs more
// than it brings, whatever the cache.
TEST(BatchPieces, FilesSideBySideShareTheCacheInWholePages) {
    EXPECT_EQ(detail::piece_size(1, 512 * 1024), FileReader::kPieceSize);
    for (const unsigned files : {2u, 4u, 16u, 32u, 64u}) {
        for (const std::size_t level2 : {std::size_t{0}, std::size_t{256} << 10, std::size_t{1000000}, std::size_t{64} << 20}) {
            const std::size_t piece = detail::piece_size(files, level2);
            SCOPED_TRACE(std::to_string(files) + " files, L2 " + std::to_string(level2));
            EXPECT_EQ(piece % PieceBuffer::kPageSize, 0u);
            EXPECT_GE(piece, 32u << 10);
            EXPECT_LE(piece, 256u << 10);
            if (level2 != 0 && files * (32u << 10) <= 2 * level2) {
                EXPECT_LE(files * piece, 2 * level2);
            }
        }
    }
}

// The lanes' buffers start at different places within their pages, a cache
// line or more apart, for every lane count a kernel has: read at the same
// position at once, they never compete for one cache set.
TEST(BatchPieces, EachLanesBufferStartsAtItsOwnPlaceInItsPage) {
    for (const std::size_t lanes : {2u, 4u, 16u, 32u, 64u}) {
        std::set<std::size_t> offsets;
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            const std::size_t offset = PieceBuffer::lane_offset(lane, lanes);
            EXPECT_EQ(offset % 64, 0u);
            EXPECT_LT(offset, PieceBuffer::kPageSize);
            offsets.insert(offset);
        }
        EXPECT_EQ(offsets.size(), lanes);
    }
}

}  // namespace
}  // namespace firma
