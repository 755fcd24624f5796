// Signing many files at once: up to one worker per core, each running several
// files' chains side by side in the lanes of its kernel. Results come back in the
// order the files were given, as soon as every file before them is done.
#pragma once

#include <any>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "sign/file_signer.h"

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
};

struct BatchResult {
    std::uint32_t accumulator = 0;
    std::error_code error;  // set when the file could not be signed
};

// How far a batch has got, for progress displays: what the files opened so far
// said of their sizes, and what has been read of them.
struct BatchProgress {
    std::atomic<std::uint64_t> done{0};      // bytes read
    std::atomic<std::uint64_t> expected{0};  // the sizes of the regular files opened
    // Standard input was a pipe or a terminal: there is no total to show.
    std::atomic<bool> total_unknown{false};
};

struct BatchOptions {
    // Files open and read at once, at most (0: default_jobs()). Workers are
    // started only as files arrive, one per core at most; 1 reads one file after
    // another.
    unsigned files_at_once = 0;
    std::size_t in_flight = 1024;  // items taken ahead of delivery at most: bounds memory
    // Updated as files open and pieces are read, when given.
    BatchProgress* progress = nullptr;
    // Called on the calling thread between deliveries and about four times a
    // second while waiting.
    std::function<void()> on_tick;
    // Whether `next` may wait before it yields (its items come from a pipe or
    // a terminal, and none is ready): the items taken so far are delivered
    // first, so that each one's result is out before the next is waited for.
    std::function<bool()> next_may_wait;
    // Files never signed, whatever name reaches them (the file the output goes
    // to): they fail as SignError::is_the_output once opened, before any read.
    std::vector<FileIdentity> leave_out;
};

// One of the caller's items, with what to sign for it: nothing when the item
// only needs its place in the order (an error found earlier, a list's end).
template <class Item>
struct BatchItem {
    Item item;
    std::optional<SignRequest> request;
};

namespace detail {
using NextAny = std::function<std::optional<BatchItem<std::any>>()>;
using DeliverAny = std::function<void(std::any& item, const BatchResult& result)>;
void sign_in_order(const NextAny& next, const DeliverAny& deliver, const BatchOptions& options);
}  // namespace detail

// Signs what the items `next` yields ask for until it yields nothing, and hands
// each item with its result to `deliver` in order, on the calling thread
// (items with nothing to sign get an empty result). Files whose reads may wait
// for a writer (FIFOs, devices) are read on the calling thread in their turn,
// after every item before them is delivered; the workers read on meanwhile.
// If `deliver` throws, the workers stop and the exception propagates. Where not
// even one worker thread can be started, the calling thread signs every file.
template <class Item, class Next, class Deliver>
void sign_in_order(Next&& next, Deliver&& deliver, const BatchOptions& options = {}) {
    detail::sign_in_order(
        [&]() -> std::optional<BatchItem<std::any>> {
            std::optional<BatchItem<Item>> got = next();
            if (!got) return std::nullopt;
            return BatchItem<std::any>{std::move(got->item), std::move(got->request)};
        },
        [&](std::any& item, const BatchResult& result) { deliver(*std::any_cast<Item>(&item), result); }, options);
}

// Files at once that keep every core's lanes busy.
unsigned default_jobs();

}  // namespace firma
