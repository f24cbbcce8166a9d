// TfniEDITOR: the file handlers and printing (81 rows a page, through the shared listing printer).
#include <algorithm>
#include <vector>

#include "core/app/Core.h"
#include "core/onboard/IeeFile.h"
#include "ui/app/ListingPrinter.h"
#include "ui/onboard/OnboardEditor.h"

namespace vendra::ui {

namespace {
constexpr uint32_t kRowsPerPage = 81;
}  // namespace

void TfniEDITOR::LoadFilefromDISK1Click() {
    if (program_.OnboardLineCount() > 0 && program_.OnboardModified.load() == 1) {
        op_.Beep(beep::Stop);
        if (Ask("Program NOT Saved! Continue?", kOnboardTitle, mb::StopModalYesNo) != mb::IdYes)
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
            Ask("Error in Data File", "VDWin ERROR Message", mb::Warning);
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
        if (!report.NulLines.empty()) text += "\n" + IeeNulLinesNote(report);
        Ask(text.c_str(), kOnboardTitle, mb::Warning);
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
                mb::StopModalOkCancel) == mb::IdCancel)
            return SaveResult::Cancelled;
    }
    const QString preset = QString::fromStdString(program_.OnboardName.Get() + ".IEE");
    const QString chosen = AskSaveFileName ? AskSaveFileName(preset) : QString();
    if (chosen.isEmpty()) return SaveResult::Cancelled;
    const std::string path = IeeFileName(chosen.toStdString());
    std::string error;
    if (!SaveIeeFile(program_, path, &error)) {
        Ask(("Can't Save File\n" + path + "\n" + error).c_str(), "File Error", mb::Warning);
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

void TfniEDITOR::PrintButtonClick() {
    const int selected = SelectedRow();
    const QStringList lines = ListTexts();
    PrintListing(
        op_, QStringLiteral("VDWin IEEPROM Editor"), static_cast<uint32_t>(lines.size()),
        kRowsPerPage, [&lines](uint32_t i) { return lines.value(static_cast<int>(i)); }, Printing);
    SelectRow(selected);
}

}  // namespace vendra::ui
