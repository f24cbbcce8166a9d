#include "support/FakeSerialDevice.h"

#include <algorithm>
#include <chrono>

namespace vendra::test {

using Lock = std::unique_lock<std::mutex>;

bool FakeSerialDevice::Open(const std::string& path, uint32_t baud, std::string& error) {
    Lock lock(mutex_);
    if (!openError_.empty()) {
        error = openError_;
        openError_.clear();
        return false;
    }
    open_ = true;
    lost_ = false;
    path_ = path;
    baud_ = baud;
    input_.clear();
    queuedOutput_ = 0;
    return true;
}

void FakeSerialDevice::Close() {
    Lock lock(mutex_);
    open_ = false;
    lost_ = false;
    changed_.notify_all();
}

bool FakeSerialDevice::IsOpen() const {
    Lock lock(mutex_);
    return open_;
}

bool FakeSerialDevice::SetBaud(uint32_t baud) {
    Lock lock(mutex_);
    if (!open_ || lost_) return false;
    baud_ = baud;
    return true;
}

void FakeSerialDevice::Purge(bool input, bool output) {
    Lock lock(mutex_);
    ++calls_.purges;
    if (!open_ || lost_) return;
    if (input) input_.clear();
    if (output) queuedOutput_ = 0;
}

bool FakeSerialDevice::Write(const uint8_t* data, size_t size, uint32_t timeoutMs) {
    Lock lock(mutex_);
    if (!open_ || lost_) return false;
    size_t take = stall_ ? 0 : writeLimit_ == 0 ? size : std::min(size, writeLimit_);
    written_.append(reinterpret_cast<const char*>(data), take);
    if (holdOutput_) queuedOutput_ += static_cast<long>(take);
    if (take == size) {
        input_ += answer_;
        if (!answer_.empty()) changed_.notify_all();
        return true;
    }
    // No room for the rest: the write waits out its time-out, unless the device goes away.
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return lost_ || !open_; });
    return false;
}

long FakeSerialDevice::Read(uint8_t* data, size_t size) {
    Lock lock(mutex_);
    ++calls_.reads;
    if (!open_ || lost_) return -1;
    size_t n = std::min(size, input_.size());
    std::copy_n(input_.begin(), n, data);
    input_.erase(0, n);
    return static_cast<long>(n);
}

SerialDevice::Wait FakeSerialDevice::WaitReadable(uint32_t timeoutMs) {
    Lock lock(mutex_);
    ++calls_.waits;
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return !open_ || lost_ || !input_.empty(); });
    if (!open_ || lost_) return Wait::Lost;
    return input_.empty() ? Wait::TimedOut : Wait::Ready;
}

long FakeSerialDevice::InputCount() {
    Lock lock(mutex_);
    ++calls_.counts;
    if (!open_ || lost_) return -1;
    return static_cast<long>(input_.size());
}

long FakeSerialDevice::OutputCount() {
    Lock lock(mutex_);
    ++calls_.counts;
    if (!open_ || lost_) return -1;
    return queuedOutput_;
}

bool FakeSerialDevice::Lost() const {
    Lock lock(mutex_);
    return lost_;
}

void FakeSerialDevice::Feed(const std::string& bytes) {
    Lock lock(mutex_);
    input_ += bytes;
    changed_.notify_all();
}

std::string FakeSerialDevice::Written() const {
    Lock lock(mutex_);
    return written_;
}

void FakeSerialDevice::ClearWritten() {
    Lock lock(mutex_);
    written_.clear();
}

void FakeSerialDevice::StallWrites(bool stall) {
    Lock lock(mutex_);
    stall_ = stall;
}

void FakeSerialDevice::LimitWrites(size_t bytes) {
    Lock lock(mutex_);
    writeLimit_ = bytes;
}

void FakeSerialDevice::HoldOutput(bool hold) {
    Lock lock(mutex_);
    holdOutput_ = hold;
}

void FakeSerialDevice::Lose() {
    Lock lock(mutex_);
    if (open_) lost_ = true;
    changed_.notify_all();
}

void FakeSerialDevice::FailOpen(const std::string& error) {
    Lock lock(mutex_);
    openError_ = error;
}

void FakeSerialDevice::AnswerWrites(const std::string& reply) {
    Lock lock(mutex_);
    answer_ = reply;
}

FakeSerialDevice::Calls FakeSerialDevice::CallsMade() const {
    Lock lock(mutex_);
    return calls_;
}

uint32_t FakeSerialDevice::Baud() const {
    Lock lock(mutex_);
    return baud_;
}

std::string FakeSerialDevice::OpenedPath() const {
    Lock lock(mutex_);
    return path_;
}

}  // namespace vendra::test
