// TfniEDITOR, the IEEPROM editor ("VDWin IEEPROM Editor"): the on-board program as a list of
// "%05u/%05u - " lines, the buttons OK, Cancel, Print, Add, Delete, Insert, Edit and Save, the
// "Operation" menu (files and the four board operations) and the progress box ProgressBox with
// ProgressBar1 and a button that cancels a transfer.
//
// The window is thin: the program, the .IEE files and the transfer are the core's. A board
// operation runs on the core's transfer worker; the window shows its progress box on a timer,
// keeps its controls disabled meanwhile and refreshes the list when the worker is done, so it
// stays responsive all along. File names, the PDF fallback of printing and the printer check can
// be replaced (tests). Thread rule: GUI thread only.
#pragma once
#include <QDialog>
#include <QString>
#include <functional>

#include "core/onboard/OnboardEditing.h"
#include "core/onboard/OnboardWorker.h"
#include "ui/app/ListingPrinter.h"

class QAction;
class QGroupBox;
class QListView;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QStringListModel;
class QTimer;

namespace vendra {
class Core;
struct SystemState;
}  // namespace vendra

namespace vendra::ui {

class TfniEDITOR : public QDialog {
    Q_OBJECT
  public:
    TfniEDITOR(Core& core, QWidget* parent = nullptr);
    ~TfniEDITOR() override;

    QListView* List() const { return list_; }
    QStringList ListTexts() const;
    // The selected row, -1 when none.
    int SelectedRow() const;
    void SelectRow(int row);
    bool TransferRunning() const { return transferRunning_; }

    // Asked for the file to load / save; empty = cancelled. `preset` is the name to start from.
    std::function<QString(const QString& preset)> AskOpenFileName;
    std::function<QString(const QString& preset)> AskSaveFileName;
    // The printer, or the PDF file asked for when there is none (tests replace them).
    PrintTarget Printing;

  public slots:
    void AddButtonClick();
    void InsertButtonClick();
    void EditButtonClick();
    void DeleteButtonClick();
    void PrintButtonClick();
    void OKButtonClick();
    void CancelButtonClick();
    void SaveButtonClick();
    void LoadFilefromDISK1Click();
    void SaveFiletoDISK1Click();
    void ReadFromBoard1Click();
    void WriteToBoard1Click();
    void EraseProgramonBoard1Click();
    void RunBoardProgram1Click();
    void ProgressCancelClick();

    // Rebuilds the list from the program and selects OnboardCurrentLine.
    void RefreshList();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    // The line dialog, as the core's line operations ask for a text.
    OnboardLineEdit AskLine();
    // The list after a line operation, or why it was refused.
    void ShowEdit(OnboardEdit result);
    enum class SaveResult { Saved, Cancelled, Failed };
    // "Save File to DISK": asks, shows the save dialog and writes the file.
    SaveResult SaveToDisk();
    void BuildForm();
    void FormActivate();
    void SetCaptionName(const QString& name);
    bool StartTransfer(OnboardOperation operation);
    void TransferTick();
    void TransferEnded();
    void ShowProgress();
    void EnableControls(bool enabled);
    bool Busy() const;
    int Ask(const char* text, const char* title, unsigned flags);

    Core& core_;
    SystemState& state_;
    OnboardProgram& program_;
    Operator& op_;
    QMenuBar* menu_ = nullptr;
    QAction* boardActions_[4] = {};
    QList<QAction*> fileActions_;
    QListView* list_ = nullptr;
    QStringListModel* model_ = nullptr;
    QList<QPushButton*> buttons_;
    QGroupBox* progressBox_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* progressCancel_ = nullptr;
    QTimer* transferTimer_ = nullptr;
    bool activated_ = false;
    bool transferRunning_ = false;
    bool boardItemsEnabled_ = false;
};

// Opens the editor modally from the main window's "IEEPROM Editor" menu item.
void InstallOnboardEditor(class TMain& main);

}  // namespace vendra::ui
