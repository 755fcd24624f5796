// What the batch engine is asked and answers, one file at a time: a plain
// type of the core's bottom floor, shared by the engine's face and its parts.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

namespace firma {

class OpenFolder;

// What signing one of the caller's items takes.
struct SignRequest {
    enum class Source {
        file,            // the file at `path`
        standard_input,  // standard input, read on the calling thread in its turn
    };
    Source source = Source::file;
    std::filesystem::path path;
    std::shared_ptr<const OpenFolder> folder;  // when set, `path` is relative to it
    // Set when the caller found a regular file there: anything else found when
    // it is opened (it was replaced meanwhile) fails as SignError::not_regular_file.
    bool regular_only = false;
    // Also the size and digest of the bytes read, in the same pass.
    bool digest = false;
};

// What the signature cannot promise: the bytes read, their count and their
// XXH3-128 digest (its canonical, big-endian bytes, as xxhsum prints them).
struct ContentDigest {
    std::uint64_t size = 0;
    std::array<unsigned char, 16> hash{};
    bool operator==(const ContentDigest&) const = default;
};

struct BatchResult {
    std::uint32_t accumulator = 0;
    std::error_code error;  // set when the file could not be signed
    std::optional<ContentDigest> digest;  // when asked for, and signed
    // When a signed regular file was last written, in seconds since 1970
    // (UTC), as it was opened: what a list's reader shows beside the signature.
    std::optional<std::int64_t> modified;
};

// How far a batch has got, for progress displays: what the files opened so far
// said of their sizes, and what has been read of them.
struct BatchProgress {
    std::atomic<std::uint64_t> done{0};      // bytes read
    std::atomic<std::uint64_t> expected{0};  // the sizes of the regular files opened
    // Standard input was a pipe or a terminal: there is no total to show.
    std::atomic<bool> total_unknown{false};
};

// One of the caller's items, with what to sign for it: nothing when the item
// only needs its place in the order (an error found earlier, a list's end).
template <class Item>
struct BatchItem {
    Item item;
    std::optional<SignRequest> request;
};

}  // namespace firma
