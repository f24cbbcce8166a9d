// An Operator nobody looks at, for the benchmark programs: every question gets OK (message boxes
// IdOk, dialogs true with the value left as it was), notifications are dropped. Message boxes are
// counted, so that a bench can tell a run that raised one, and optionally printed to stderr.
// Thread rule: may be called from any thread (the count is atomic).
#pragma once
#include <atomic>
#include <cstdio>
#include <string>

#include "core/base/Operator.h"

namespace vendra {

class QuietOperator : public ScreenlessOperator {
  public:
    enum class Boxes { Silent, Print };

    explicit QuietOperator(Boxes boxes = Boxes::Silent) : print_(boxes == Boxes::Print) {}

    int ShowMessageBox(const std::string& text, const std::string& title, unsigned) override {
        if (print_) std::fprintf(stderr, "message: %s / %s\n", title.c_str(), text.c_str());
        boxes_.fetch_add(1, std::memory_order_relaxed);
        return mb::IdOk;
    }
    bool AskBoardType(uint8_t&) override { return true; }
    bool AskBoardAddress(uint8_t&) override { return true; }
    bool AskUserValue(const std::string&, uint32_t&) override { return true; }

    // Message boxes shown so far.
    int MessageBoxes() const { return boxes_.load(std::memory_order_relaxed); }

  private:
    bool print_;
    std::atomic<int> boxes_{0};
};

}  // namespace vendra
