// A window's listing taken in place of the printer: what the window handed over, and the answer
// it gets back (printed or not).
#pragma once
#include <QStringList>
#include <cstdint>
#include <numeric>
#include <vector>

#include "ui/app/ListingPrinter.h"

namespace vendra::ui::test {

struct PrintedListing {
    int calls = 0;
    QString docName;
    std::vector<uint32_t> pages;  // the lines of each page
    uint32_t rowsPerPage = 0;
    QStringList lines;
    bool printed = true;  // the answer the window gets

    void Attach(PrintTarget& target) {
        target.Print = [this](const QString& doc, const std::vector<uint32_t>& layout,
                              uint32_t rows, const std::function<QString(uint32_t)>& line) {
            ++calls;
            docName = doc;
            pages = layout;
            rowsPerPage = rows;
            lines.clear();
            const uint32_t count = std::accumulate(layout.begin(), layout.end(), 0u);
            for (uint32_t i = 0; i < count; ++i) lines << line(i);
            return printed;
        };
    }
};

}  // namespace vendra::ui::test
