#include "ui/app/ListingPrinter.h"

#include <QFileDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

namespace vendra::ui {

PrintTarget DefaultPrintTarget(QWidget* parent) {
    return {[] { return !QPrinterInfo::availablePrinters().isEmpty(); },
            [parent] {
                return QFileDialog::getSaveFileName(parent,
                                                    QStringLiteral("No printer: print to PDF file"),
                                                    QString(), QStringLiteral("PDF (*.pdf)"));
            },
            {}};
}

namespace {
constexpr int kPrintOffset = 200;  // printer units from the left and from the top
}

bool PrintListing(Operator& op, const QString& docName, const std::vector<uint32_t>& pages,
                  uint32_t rowsPerPage, const std::function<QString(uint32_t)>& line,
                  const PrintTarget& target) {
    if (target.Print) return target.Print(docName, pages, rowsPerPage, line);
    QPrinter printer(QPrinter::HighResolution);
    QString pdf;
    const bool havePrinter = target.PrinterAvailable ? target.PrinterAvailable()
                                                     : !QPrinterInfo::availablePrinters().isEmpty();
    if (!havePrinter) {
        pdf = target.AskPdfFileName ? target.AskPdfFileName() : QString();
        if (pdf.isEmpty()) return false;
        if (!pdf.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) pdf += QLatin1String(".pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    }
    printer.setDocName(docName);

    QPainter painter;
    bool ok = painter.begin(&printer);
    if (ok) {
        // The font is chosen so that a full page fits below the top offset.
        const int pageHeight = painter.viewport().height();
        const int rowBudget =
            std::max(1, (pageHeight - 2 * kPrintOffset) / static_cast<int>(rowsPerPage));
        QFont font = painter.font();
        font.setPixelSize(std::max(1, rowBudget * 4 / 5));
        painter.setFont(font);
        const QFontMetrics fm = painter.fontMetrics();
        const int lineHeight = std::min(fm.height(), rowBudget);
        uint32_t next = 0;
        for (size_t p = 0; p < pages.size() && ok; ++p) {
            if (p > 0) ok = printer.newPage();
            for (uint32_t row = 0; row < pages[p] && ok; ++row)
                painter.drawText(kPrintOffset, kPrintOffset + int(row) * lineHeight + fm.ascent(),
                                 line(next++));
        }
        ok = painter.end() && ok;
    }
    if (!ok) {
        op.ShowMessageBox(pdf.isEmpty() ? "Can not print on the default printer."
                                        : "Can not write the PDF file " + pdf.toStdString(),
                          "VDWin Error Message", mb::Warning);
        return false;
    }
    if (!pdf.isEmpty()) {
        op.ShowMessageBox(
            "No printer is installed on this machine.\nThe list was printed to the PDF file " +
                pdf.toStdString(),
            "VDWin Message", mb::Information);
    }
    return true;
}

uint32_t PrintListing(Operator& op, const QString& docName, uint32_t lineCount,
                      uint32_t rowsPerPage, const std::function<QString(uint32_t)>& line,
                      const PrintTarget& target) {
    if (lineCount == 0 || rowsPerPage == 0) return 0;
    std::vector<uint32_t> pages;
    for (uint32_t left = lineCount; left > 0; left -= pages.back())
        pages.push_back(std::min(left, rowsPerPage));
    return PrintListing(op, docName, pages, rowsPerPage, line, target)
               ? static_cast<uint32_t>(pages.size())
               : 0;
}

}  // namespace vendra::ui
