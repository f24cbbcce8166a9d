// Prints a listing (one text line per row, in pages of given sizes) on the default printer, at the
// fixed offset of 200 printer units from the left and the top, in a font sized so that a full page
// fits. On a machine without a printer the operator names a PDF file, and is told where the
// listing went. The printer check, the file question and the printing itself can be replaced
// (tests).
// Errors: a listing that cannot be printed is reported to the operator; the result is false.
// Thread rule: GUI thread only.
#pragma once
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/base/Operator.h"

namespace vendra::ui {

struct PrintTarget {
    std::function<bool()> PrinterAvailable;   // default: any printer installed
    std::function<QString()> AskPdfFileName;  // empty = cancelled
    // When set, takes the listing instead of the printer or the PDF file, so that a window's test
    // sees what the window hands over (the document, the pages' line counts, the rows of a full
    // page, the lines); true = printed.
    std::function<bool(const QString& docName, const std::vector<uint32_t>& pages,
                       uint32_t rowsPerPage, const std::function<QString(uint32_t)>& line)>
        Print;
};

// Any installed printer; without one, a file dialog over `parent` asks for the PDF file.
PrintTarget DefaultPrintTarget(QWidget* parent);

// Prints pages.size() pages, page k holding pages[k] lines; line(i) gives line i of the listing.
// `rowsPerPage` sizes the font. False when cancelled or failed (failures are reported).
bool PrintListing(Operator& op, const QString& docName, const std::vector<uint32_t>& pages,
                  uint32_t rowsPerPage, const std::function<QString(uint32_t)>& line,
                  const PrintTarget& target);
// The same for `lineCount` lines in full pages of `rowsPerPage` (the last one holding the rest).
// The number of pages printed; 0 when cancelled, failed or when there is nothing to print.
uint32_t PrintListing(Operator& op, const QString& docName, uint32_t lineCount,
                      uint32_t rowsPerPage, const std::function<QString(uint32_t)>& line,
                      const PrintTarget& target);

}  // namespace vendra::ui
