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
#include "sign/sign_request.h"

namespace firma {

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
