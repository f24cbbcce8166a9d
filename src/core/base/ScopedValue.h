// Sets a shared value for the length of one operation and gives the old one back on every way
// out (a time-out raised while a board erases its memory, the transmit delay of a program load).
// Error rule: none. Thread rule: the value is atomic; nothing else may change it meanwhile, or
// that change is undone at the end.
#pragma once
#include <atomic>

namespace vendra {

template <typename T>
class ScopedValue {
  public:
    ScopedValue(std::atomic<T>& value, T during) : value_(value), saved_(value.load()) {
        value_ = during;
    }
    ~ScopedValue() { value_ = saved_; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

  private:
    std::atomic<T>& value_;
    T saved_;
};

}  // namespace vendra
