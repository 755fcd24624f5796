// Throughput of signing, as ratios measured in one run: the machine is shared and
// noisy, so absolute times are only context.
//
// The file is FIRMA_BENCH_FILE, or a 256 MiB file of random bytes made once in
// TMPDIR and reused (warm in the page cache after the first pass).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include "sign/fold.h"
#include "sign/module1.h"
#include "byte_at_a_time.h"

namespace {

constexpr std::uint64_t kFileSize = 256ull << 20;

std::string bench_file() {
    if (const char* given = std::getenv("FIRMA_BENCH_FILE")) return given;
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/firma-bench-256MiB";
    std::error_code error;
    if (std::filesystem::file_size(path, error) == kFileSize) return path;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::mt19937_64 generator(256);
    std::vector<std::uint64_t> block(1 << 17);
    for (std::uint64_t done = 0; done < kFileSize; done += block.size() * 8) {
        for (auto& word : block) word = generator();
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size() * 8));
    }
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::uint64_t size_of(const std::string& path) {
    return std::filesystem::file_size(path);
}

void ByteAtATime(benchmark::State& state) {
    const std::string path = bench_file();
    for (auto _ : state) benchmark::DoNotOptimize(firma::bench::byte_at_a_time_sign(path));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size_of(path)));
}

// The whole file, as the window and the command line sign it, with the given
// chain (null: the fastest this processor runs).
void ComputeSign(benchmark::State& state, const firma::FoldChain* chain) {
    const std::string path = bench_file();
    firma::ReadOptions options;
    options.chain = chain;
    for (auto _ : state) benchmark::DoNotOptimize(Module1::ComputeSign(path, options));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size_of(path)));
}

// Each chain alone, on 16 MiB already in memory.
void Chain(benchmark::State& state, const firma::FoldChain* chain) {
    std::vector<unsigned char> bytes(16 << 20);
    std::mt19937_64 generator(16);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(generator());
    for (auto _ : state) benchmark::DoNotOptimize(chain->fold(0, bytes.data(), bytes.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// Each lanes kernel, one file a lane, 64 KiB of each in memory (a worker's
// read pieces), the lanes' buffers apart so that they share no cache sets.
void Lanes(benchmark::State& state, const firma::FoldLanes* kernel) {
    constexpr std::size_t kEach = 64 << 10, kApart = kEach + 64 * 17;
    const auto lanes = static_cast<std::size_t>(kernel->lanes);
    std::vector<unsigned char> bytes(lanes * kApart);
    std::mt19937_64 generator(64);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(generator());
    std::vector<const unsigned char*> pointers(lanes);
    for (std::size_t lane = 0; lane < lanes; ++lane) pointers[lane] = bytes.data() + lane * kApart;
    std::vector<std::uint32_t> accumulators(lanes, 1);
    for (auto _ : state) {
        kernel->fold(accumulators.data(), pointers.data(), kEach);
        benchmark::DoNotOptimize(accumulators.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lanes * kEach));
}

// Prints as usual and keeps each benchmark's rate for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const auto counter = run.counters.find("bytes_per_second");
            if (counter != run.counters.end()) rates_[run.run_name.function_name] = counter->second;
        }
    }

    void print_ratios() const {
        const auto base = rates_.find("ByteAtATime");
        if (base == rates_.end()) return;
        // The chain firma had before the exact-product chain, where the processor runs it.
        const auto earlier = rates_.find("ComputeSign/avx2");
        std::cout << "\nThroughput relative to signing a byte at a time";
        if (earlier != rates_.end()) std::cout << " and to signing with the avx2 chain";
        std::cout << " (same run):\n";
        for (const auto& [name, rate] : rates_) {
            std::cout << "  " << name << ": " << rate / 1e6 << " MB/s, " << rate / base->second << "x";
            if (earlier != rates_.end() && name.starts_with("ComputeSign"))
                std::cout << ", " << rate / earlier->second << "x the avx2 chain";
            std::cout << "\n";
        }
    }

private:
    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("ByteAtATime", ByteAtATime)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("ComputeSign", ComputeSign, nullptr)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
    // The same with every chain, the oldest ones included.
    for (const auto& chain : firma::available_chains())
        benchmark::RegisterBenchmark((std::string("ComputeSign/") + chain.name).c_str(), ComputeSign, &chain)
            ->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const auto& chain : firma::available_chains())
        benchmark::RegisterBenchmark((std::string("Chain/") + chain.name).c_str(), Chain, &chain)
            ->Unit(benchmark::kMillisecond);
    for (const auto& kernel : firma::available_lanes())
        benchmark::RegisterBenchmark((std::string("Lanes/") + kernel.name).c_str(), Lanes, &kernel)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratios();
    benchmark::Shutdown();
}
