// A text written by one thread and read by another (status texts, file names, reply texts).
// Thread rule: every access takes the small mutex; values are published whole.
#pragma once
#include <mutex>
#include <string>

namespace vendra {

class SharedText {
  public:
    SharedText() = default;
    explicit SharedText(std::string initial) : text_(std::move(initial)) {}
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    std::string Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    void Set(std::string value) {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ = std::move(value);
    }
    SharedText& operator=(std::string value) {
        Set(std::move(value));
        return *this;
    }
    operator std::string() const { return Get(); }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace vendra
