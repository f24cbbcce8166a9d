// What the fuzz targets share: an Operator that answers every question with its first choice and
// records nothing, and a check that reports a broken property as a crash (which is what the
// fuzzer and the replay look for).
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/base/Operator.h"

namespace vendra::fuzz {

class QuietOperator final : public ScreenlessOperator {
  public:
    int ShowMessageBox(const std::string& text, const std::string& title, unsigned) override {
        ++boxes;
        lastText = text;
        lastTitle = title;
        return mb::IdOk;
    }
    bool AskBoardType(uint8_t&) override { return false; }
    bool AskBoardAddress(uint8_t&) override { return false; }
    bool AskUserValue(const std::string&, uint32_t&) override { return false; }

    int boxes = 0;
    std::string lastText, lastTitle;
};

// A property that must hold for every input.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

}  // namespace vendra::fuzz
