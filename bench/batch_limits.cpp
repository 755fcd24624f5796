// The limits signing many files cannot pass on this machine, measured in this
// process, for scripts/bench-batch to set firma's own times against:
//   lanes          the best lanes kernel folding the files' bytes already in
//                  memory, one fold per core at once, each lane's bytes
//                  starting where firma's workers place a lane's buffer in
//                  its page: what a reader with no copy could reach at best;
//   lanes-aligned  the same with every lane's bytes at the start of a page,
//                  to show what that layout costs;
//   lanes:NAME     the same for each other batch kernel this processor runs,
//                  to show which lane count pays;
//   mapped         the same fold straight from the page cache, each file
//                  mapped (and each lane started at its own offset in the
//                  page): what reading by mapping instead of read() could
//                  reach at best, page faults included;
//   read           read() of the same files into one small buffer, one core;
//   chain          the best chain folding the first file's bytes in memory.
// Each is timed several times, in turns with its rivals, and the fastest kept:
// a shared machine only ever slows a run down. Prints one "name bytes seconds" line each (the bytes of
// all cores together), then "cores N" and the kernels' names.
// Usage: firma-limits FILE...
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sign/detail/file_reader.h"
#include "sign/detail/os.h"
#include "sign/fold.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kPage = firma::PieceBuffer::kPageSize;

struct PageFree {
    void operator()(unsigned char* bytes) const { ::operator delete(bytes, std::align_val_t{kPage}); }
};
using Pages = std::unique_ptr<unsigned char, PageFree>;

// Reads `path` through `buffer`; returns the bytes read.
std::size_t read_through(const std::string& path, unsigned char* buffer, std::size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got < 0) {
            ::close(fd);
            throw std::runtime_error("cannot read " + path);
        }
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return total;
}

// A file's bytes in memory, starting `offset` bytes into a page.
struct Held {
    Pages pages;  // or nothing, for a mapped file
    const unsigned char* bytes;
    std::size_t size;
    std::size_t mapped = 0;  // the length of its mapping

    Held(Pages held, const unsigned char* start, std::size_t length, std::size_t mapping = 0)
        : pages(std::move(held)), bytes(start), size(length), mapped(mapping) {}
    Held(Held&& other) noexcept
        : pages(std::move(other.pages)), bytes(other.bytes), size(other.size), mapped(std::exchange(other.mapped, 0)) {}
    Held& operator=(Held&&) = delete;
    ~Held() {
        if (mapped > 0) ::munmap(const_cast<unsigned char*>(bytes - (mapped - size)), mapped);
    }
};

// A file mapped read-only, its bytes from `offset` on.
Held map(const std::string& path, std::size_t offset) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    const auto size = static_cast<std::size_t>(::lseek(fd, 0, SEEK_END));
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED) throw std::runtime_error("cannot map " + path);
    ::madvise(mapped, size, MADV_SEQUENTIAL);
    const auto* bytes = static_cast<const unsigned char*>(mapped);
    return {Pages(), bytes + std::min(offset, size), size - std::min(offset, size), size};
}

Held hold(const std::string& path, std::size_t offset) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, 0, SEEK_SET);
    Pages pages(static_cast<unsigned char*>(::operator new(static_cast<std::size_t>(size) + offset, std::align_val_t{kPage})));
    std::size_t total = 0;
    while (total < static_cast<std::size_t>(size)) {
        const ssize_t got = ::read(fd, pages.get() + offset + total, static_cast<std::size_t>(size) - total);
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    const unsigned char* bytes = pages.get() + offset;
    return {std::move(pages), bytes, total};
}

// Folds `files` in groups of as many as the kernel takes, each group to the
// length of its shortest file; returns the bytes folded.
std::size_t fold_all(const firma::FoldLanes& lanes, const std::vector<Held>& files) {
    const auto width = static_cast<std::size_t>(lanes.lanes);
    std::vector<std::uint32_t> accumulators(width, 0);
    std::vector<const unsigned char*> pointers(width);
    std::size_t bytes = 0;
    for (std::size_t first = 0; first < files.size(); first += width) {
        std::size_t length = SIZE_MAX;
        for (std::size_t lane = 0; lane < width; ++lane) {
            const Held& file = files[std::min(first + lane, files.size() - 1)];
            pointers[lane] = file.bytes;
            length = std::min(length, file.size);
        }
        lanes.fold(accumulators.data(), pointers.data(), length);
        bytes += length * std::min(width, files.size() - first);
    }
    return bytes;
}

// The same fold on every core at once, each over the same bytes; returns the
// bytes of all of them together.
std::size_t fold_on_every_core(const firma::FoldLanes& lanes, const std::vector<Held>& files, unsigned cores) {
    std::vector<std::size_t> folded(cores, 0);
    std::vector<std::thread> threads;
    for (unsigned core = 0; core < cores; ++core)
        threads.emplace_back([&, core] { folded[core] = fold_all(lanes, files); });
    for (auto& thread : threads) thread.join();
    std::size_t bytes = 0;
    for (const std::size_t each : folded) bytes += each;
    return bytes;
}

struct Measure {
    std::string name;
    std::function<std::size_t()> run;  // returns the bytes it went through
};

// Runs each measure in turn, `rounds` times over, and prints each one's
// fastest: measures set side by side meet the same moods of a shared machine.
void report(const std::vector<Measure>& measures, int rounds = 3) {
    std::vector<double> best(measures.size(), 0);
    std::vector<std::size_t> bytes(measures.size(), 0);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < measures.size(); ++i) {
            const Clock::time_point start = Clock::now();
            bytes[i] = measures[i].run();
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            if (round == 0 || seconds < best[i]) best[i] = seconds;
        }
    }
    for (std::size_t i = 0; i < measures.size(); ++i) std::printf("%s %zu %.6f\n", measures[i].name.c_str(), bytes[i], best[i]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: firma-limits FILE...\n");
        return 2;
    }
    const std::vector<std::string> paths(argv + 1, argv + argc);
    try {
        // read(): each file through a 128 KiB buffer, as cat reads. Twice, so
        // that the second pass reads what the first left in the page cache.
        std::vector<unsigned char> small(128 << 10);
        for (const auto& path : paths) read_through(path, small.data(), small.size());
        report({{"read", [&] {
                     std::size_t bytes = 0;
                     for (const auto& path : paths) bytes += read_through(path, small.data(), small.size());
                     return bytes;
                 }}});

        const firma::FoldLanes& lanes = firma::best_lanes();
        const unsigned cores = firma::detail::available_cores();
        const auto width = static_cast<std::size_t>(lanes.lanes);
        std::vector<Held> spread, aligned;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            spread.push_back(hold(paths[i], firma::PieceBuffer::lane_offset(i % width, width)));
            aligned.push_back(hold(paths[i], 0));
        }
        std::vector<Measure> measures{{"lanes", [&] { return fold_on_every_core(lanes, spread, cores); }},
                                      {"lanes-aligned", [&] { return fold_on_every_core(lanes, aligned, cores); }}};
        // Every batch kernel on the same bytes (staggered as each would have
        // them: the widest's layout puts the others' lanes no closer).
        for (const firma::FoldLanes& each : firma::available_lanes())
            if (each.lanes >= 16 && &each != &lanes)  // the table kernels are no batch kernel's rival
                measures.push_back({"lanes:" + std::string(each.name), [&] { return fold_on_every_core(each, spread, cores); }});
        // Mapped afresh for each fold, as a reader would map each file it opens.
        measures.push_back({"mapped", [&] {
                                std::vector<Held> mapped;
                                for (std::size_t i = 0; i < paths.size(); ++i)
                                    mapped.push_back(map(paths[i], firma::PieceBuffer::lane_offset(i % width, width)));
                                return fold_on_every_core(lanes, mapped, cores);
                            }});
        report(measures, 5);
        aligned.clear();

        const firma::FoldChain& chain = firma::best_chain();
        volatile std::uint32_t folded = 0;  // the result is used: no fold is left out
        report({{"chain", [&] {
                     folded = chain.fold(0, spread[0].bytes, spread[0].size);
                     return spread[0].size;
                 }}});
        std::printf("cores %u\nkernels %s %s\n", cores, chain.name, lanes.name);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "firma-limits: %s\n", error.what());
        return 1;
    }
}
