#include "core/base/Worker.h"

#include <chrono>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace vendra {

Worker::Worker(std::string name) : name_(std::move(name)) {}

Worker::~Worker() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

bool Worker::Start(Job job, std::function<void()> ended) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_.load()) return false;
    // A job that has returned is joined here: it has nothing left to do.
    if (thread_.joinable()) thread_.join();
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this, job = std::move(job), ended = std::move(ended)] {
#ifndef _WIN32
        pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
#endif
        job(StopToken(&stop_));
        {
            std::lock_guard<std::mutex> done(mutex_);
            running_ = false;
        }
        idle_.notify_all();
        if (ended) ended();
    });
    return true;
}

void Worker::RequestStop() {
    stop_ = true;
}

bool Worker::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !running_.load(); });
}

}  // namespace vendra
