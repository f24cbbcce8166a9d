// TfniEDITOR: the file handlers and printing.
#include <QPainter>
#include <QPrinter>

#include "core/app/Core.h"
#include "core/onboard/IeeFile.h"
#include "ui/onboard/OnboardEditor.h"

namespace vendra::ui {

namespace {
constexpr int kRowsPerPage = 81;
constexpr int kPrintOffset = 200;  // printer units from the left and from the top
constexpr unsigned kStopSystem = mb::IconStop | mb::SystemModal;
}  // namespace

void TfniEDITOR::LoadFilefromDISK1Click() {
    if (program_.OnboardLineCount() > 0 && program_.OnboardModified.load() == 1) {
        op_.Beep(beep::Stop);
        if (Ask("Program NOT Saved! Continue?", kOnboardTitle, mb::YesNo | kStopSystem) !=
            mb::IdYes)
            return;
    }
    std::string path = state_.App.ProgramPath.Get();
    const QString preset = path.empty() ? QStringLiteral("*.IEE") : QString::fromStdString(path);
    const QString chosen = AskOpenFileName ? AskOpenFileName(preset) : QString();
    if (chosen.isEmpty()) return;
    path = chosen.toStdString();
    IeeLoadReport report;
    // A file that cannot be read leaves the program, its name and the path as they were.
    if (!LoadIeeFile(program_, path, report)) {
        if (report.Status == IeeLoadStatus::CannotOpen)
            Ask("Error in Data File", "VDWin ERROR Message", mb::IconWarning | mb::Ok);
        else
            Ask("Can't perform one of the following file operations: Open, Seek, Read, Close.",
                "File Error", mb::OkCancel);
        return;
    }
    program_.OnboardName = IeeBaseName(path);
    state_.App.ProgramPath = path;
    program_.OnboardSaved = 1;
    program_.OnboardCurrentLine = 0;
    RefreshList();
    program_.OnboardModified = 0;
    SetCaptionName(QString::fromStdString(program_.OnboardName.Get()));
    if (report.Lossy()) {
        std::string text = "Not all of " + path + " could be loaded:";
        if (report.LinesDropped) text += "\nonly its first 50000 lines are kept";
        if (report.LinesCut > 0)
            text += "\n" + std::to_string(report.LinesCut) +
                    " lines were longer than 255 characters and are cut";
        Ask(text.c_str(), kOnboardTitle, mb::IconWarning | mb::Ok);
    }
}

void TfniEDITOR::SaveFiletoDISK1Click() {
    SaveToDisk();
}

void TfniEDITOR::SaveButtonClick() {
    SaveToDisk();
}

TfniEDITOR::SaveResult TfniEDITOR::SaveToDisk() {
    if (program_.OnboardLineCount() == 0) {
        op_.Beep(beep::Stop);
        if (Ask("No Program to Save! Continue?", "VDWin - User Save Error",
                mb::OkCancel | kStopSystem) == mb::IdCancel)
            return SaveResult::Cancelled;
    }
    const QString preset = QString::fromStdString(program_.OnboardName.Get() + ".IEE");
    const QString chosen = AskSaveFileName ? AskSaveFileName(preset) : QString();
    if (chosen.isEmpty()) return SaveResult::Cancelled;
    const std::string path = IeeFileName(chosen.toStdString());
    std::string error;
    if (!SaveIeeFile(program_, path, &error)) {
        Ask(("Can't Save File\n" + path + "\n" + error).c_str(), "File Error",
            mb::IconWarning | mb::Ok);
        return SaveResult::Failed;
    }
    program_.OnboardName = IeeBaseName(path);
    state_.App.ProgramPath = path;
    program_.OnboardSaved = 1;
    program_.OnboardCurrentLine = 0;
    RefreshList();
    SetCaptionName(QString::fromStdString(program_.OnboardName.Get()));
    return SaveResult::Saved;
}

bool TfniEDITOR::PrintTo(QPrinter& printer, const QStringList& lines) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The font is chosen so that the 81 rows of a page fit below the top offset.
    const int pageHeight = painter.viewport().height();
    const int rowBudget = std::max(1, (pageHeight - 2 * kPrintOffset) / kRowsPerPage);
    QFont font = painter.font();
    font.setPixelSize(std::max(1, rowBudget * 4 / 5));
    painter.setFont(font);
    const QFontMetrics fm = painter.fontMetrics();
    const int lineHeight = std::min(fm.height(), rowBudget);
    int row = 0;
    for (const QString& line : lines) {
        if (row == kRowsPerPage) {  // a new page only when a line is left for it
            printer.newPage();
            row = 0;
        }
        painter.drawText(kPrintOffset, kPrintOffset + row * lineHeight + fm.ascent(), line);
        ++row;
    }
    return painter.end();
}

void TfniEDITOR::PrintButtonClick() {
    const int selected = SelectedRow();
    QPrinter printer(QPrinter::HighResolution);
    QString pdf;
    if (!(PrinterAvailable && PrinterAvailable())) {
        pdf = AskPdfFileName ? AskPdfFileName() : QString();
        if (pdf.isEmpty()) return;
        if (!pdf.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) pdf += QLatin1String(".pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    }
    printer.setDocName(QStringLiteral("VDWin IEEPROM Editor"));
    if (!PrintTo(printer, ListTexts())) {
        op_.ShowMessageBox(pdf.isEmpty() ? "Can not print on the default printer."
                                         : "Can not write the PDF file " + pdf.toStdString(),
                           kOnboardTitle, mb::IconWarning);
        return;
    }
    SelectRow(selected);
    if (!pdf.isEmpty())
        op_.ShowMessageBox(
            "No printer is installed on this machine.\nThe program was printed to "
            "the PDF file " +
                pdf.toStdString(),
            kOnboardTitle, mb::IconInformation);
}

}  // namespace vendra::ui
