// A thread for the batch engine's workers, with a stack sized to what they
// use rather than the system's default (8 MiB of address space on Linux): under
// an address-space limit (ulimit -v) a full default stack per worker was what
// ran out first. pthreads on both systems (mingw-w64's winpthreads on Windows).
#pragma once

#include <pthread.h>

#include <functional>
#include <memory>

namespace firma::detail {

class WorkerThread {
public:
    // Starts `run` on a new thread. Throws std::system_error where the system
    // refuses one.
    explicit WorkerThread(std::function<void()> run);
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread();  // waits for `run` to return

    // Far more than a worker's deepest call (a read, a fold, an error's
    // message), and a thirty-second of the default.
    static constexpr std::size_t kStackSize =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        8 << 20;  // the sanitizers' own frames are far larger
#else
        256 << 10;
#endif

private:
    std::unique_ptr<std::function<void()>> run_;
    pthread_t thread_{};
};

}  // namespace firma::detail
