// The limits signing many files cannot pass on this machine, measured in this
// process, for scripts/bench-batch to set firma's own times against:
//   lanes  the best lanes kernel folding the files' bytes already in memory,
//          on one core (a copy-free reader could at best reach this per core);
//   read   read() of the same files into one small buffer, on one core;
//   chain  the best chain folding the first file's bytes in memory.
// Each is timed three times and the fastest kept: a shared machine only ever
// slows a run down. Prints one "name bytes seconds" line each.
// Usage: firma-limits FILE...
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "sign/fold.h"

namespace {

using Clock = std::chrono::steady_clock;

// Reads `path` through `buffer` (the whole of it when it is large enough);
// returns the bytes read.
std::size_t read_through(const std::string& path, std::vector<unsigned char>& buffer, bool keep) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    std::size_t total = 0;
    for (;;) {
        const std::size_t at = keep ? total : 0;
        if (keep && at == buffer.size()) buffer.resize(buffer.size() * 2 + 4096);
        const ssize_t got = ::read(fd, buffer.data() + at, buffer.size() - at);
        if (got < 0) {
            ::close(fd);
            throw std::runtime_error("cannot read " + path);
        }
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (keep) buffer.resize(total);
    return total;
}

// Runs `measure` (which returns the bytes it went through) three times and
// prints the fastest.
template <class Measure>
void report(const char* name, Measure measure) {
    double best = 0;
    std::size_t bytes = 0;
    for (int run = 0; run < 3; ++run) {
        const Clock::time_point start = Clock::now();
        bytes = measure();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (run == 0 || seconds < best) best = seconds;
    }
    std::printf("%s %zu %.6f\n", name, bytes, best);
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
        std::size_t bytes = 0;
        for (const auto& path : paths) read_through(path, small, false);
        report("read", [&] {
            bytes = 0;
            for (const auto& path : paths) bytes += read_through(path, small, false);
            return bytes;
        });

        std::vector<std::vector<unsigned char>> contents(paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) read_through(paths[i], contents[i], true);

        // The lanes: groups of as many files as the kernel takes, each folded
        // to the length of the group's shortest file.
        const firma::FoldLanes& lanes = firma::best_lanes();
        const auto width = static_cast<std::size_t>(lanes.lanes);
        std::vector<std::uint32_t> accumulators(width, 0);
        std::vector<const unsigned char*> pointers(width);
        report("lanes", [&] {
            bytes = 0;
            for (std::size_t first = 0; first < contents.size(); first += width) {
                std::size_t length = SIZE_MAX;
                for (std::size_t lane = 0; lane < width; ++lane) {
                    const auto& file = contents[std::min(first + lane, contents.size() - 1)];
                    pointers[lane] = file.data();
                    length = std::min(length, file.size());
                }
                lanes.fold(accumulators.data(), pointers.data(), length);
                bytes += length * std::min(width, contents.size() - first);
            }
            return bytes;
        });

        const firma::FoldChain& chain = firma::best_chain();
        volatile std::uint32_t folded = 0;  // the results are used: no fold is left out
        report("chain", [&] {
            folded = chain.fold(0, contents[0].data(), contents[0].size());
            return contents[0].size();
        });
        folded = folded ^ accumulators[0];
        std::printf("kernels %s %s\n", chain.name, lanes.name);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "firma-limits: %s\n", error.what());
        return 1;
    }
}
