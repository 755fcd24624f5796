#include "sign/detail/worker_thread.h"

#include <system_error>

namespace firma::detail {
namespace {

extern "C" void* run_worker_thread(void* run) {
    (*static_cast<std::function<void()>*>(run))();
    return nullptr;
}

}  // namespace

WorkerThread::WorkerThread(std::function<void()> run) : run_(std::make_unique<std::function<void()>>(std::move(run))) {
    pthread_attr_t attributes;
    if (const int error = pthread_attr_init(&attributes); error != 0)
        throw std::system_error(error, std::generic_category());
    pthread_attr_setstacksize(&attributes, kStackSize);  // where refused, the default
    const int error = pthread_create(&thread_, &attributes, run_worker_thread, run_.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) throw std::system_error(error, std::generic_category());
}

WorkerThread::~WorkerThread() {
    pthread_join(thread_, nullptr);
}

}  // namespace firma::detail
