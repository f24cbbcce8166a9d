// One way to run an activity beside the windows: a thread, a stop token, a bounded join and an end
// notice. Every activity on the line (network initialisation, board information, the
// communication test, the on-board transfer, the runner, the baud scan) is a job run by a Worker.
//
// Error rule: Start refuses (false) while a job still runs; nothing throws.
// Thread rule: Start, RequestStop, Running, Wait and the destructor may be called from any thread
// but the job's own (a job that waits for its own worker would wait for ever). The destructor asks
// the job to stop and joins it; a job must look at its token at least every wait slice (the line
// session's waits do), and a question it asks must be answered or dismissed first (the windows'
// operator does on shutdown).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vendra {

// What a job looks at to know it is to stop. A default token never asks to stop.
class StopToken {
  public:
    StopToken() = default;
    explicit StopToken(const std::atomic<bool>* flag) : flag_(flag) {}
    bool StopRequested() const { return flag_ != nullptr && flag_->load(); }

  private:
    const std::atomic<bool>* flag_ = nullptr;
};

class Worker {
  public:
    using Job = std::function<void(StopToken stop)>;

    // `name` names the thread for debuggers (at most 15 characters are kept).
    explicit Worker(std::string name);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs `job` on a new thread; `ended`, when given, is called on that thread after the job
    // returned and the worker counts as idle (the activity's end notice). False, with nothing
    // started, while a job runs.
    bool Start(Job job, std::function<void()> ended = {});
    // Asks the running job to stop (its token says so until the next Start).
    void RequestStop();
    bool StopRequested() const { return stop_.load(); }
    // A job runs and has not returned.
    bool Running() const { return running_.load(); }
    // Blocks until no job runs or `timeoutMs` passed; true when idle.
    bool Wait(uint32_t timeoutMs);
    // The token of the current (or next) job, for work done on the caller's thread under the same
    // stop request (tests, benches).
    StopToken Token() const { return StopToken(&stop_); }

  private:
    std::string name_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::mutex mutex_;
    std::condition_variable idle_;
    std::thread thread_;
};

}  // namespace vendra
