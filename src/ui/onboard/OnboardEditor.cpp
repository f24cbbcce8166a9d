#include "ui/onboard/OnboardEditor.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/Core.h"
#include "core/onboard/OnboardEditing.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/QtOperator.h"
#include "ui/onboard/OnboardDialogs.h"

namespace vendra::ui {

namespace {

constexpr int kTransferTickMs = 50;

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}

}  // namespace

TfniEDITOR::TfniEDITOR(Core& core, QWidget* parent)
    : QDialog(parent), core_(core), state_(core.State), program_(core.State.Onboard), op_(core.Op) {
    setObjectName(QStringLiteral("TfniEDITOR"));
    setWindowTitle(QStringLiteral("VDWin IEEPROM Editor"));
    BuildForm();
    transferTimer_ = new QTimer(this);
    transferTimer_->setInterval(kTransferTickMs);
    connect(transferTimer_, &QTimer::timeout, this, &TfniEDITOR::TransferTick);
    // The transfer's end comes as the operator's notice; the timer only shows its progress.
    if (auto* qt = dynamic_cast<QtOperator*>(&core_.Op))
        connect(qt, &QtOperator::ActivityHasEnded, this, [this](Activity activity) {
            if (activity == Activity::OnboardTransfer && transferRunning_) TransferEnded();
        });

    AskOpenFileName = [this](const QString& preset) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Load File from DISK"), preset,
                                            QStringLiteral("IEEPROM Editor (*.iee *IEE)"));
    };
    AskSaveFileName = [this](const QString& preset) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save File to DISK"), preset,
                                            QStringLiteral("IEEPROM File (*.iee *.IEE)"));
    };
    Printing = DefaultPrintTarget(this);
}

TfniEDITOR::~TfniEDITOR() = default;

void TfniEDITOR::BuildForm() {
    menu_ = new QMenuBar(this);
    QMenu* operation = menu_->addMenu(QStringLiteral("Operation"));
    operation->setObjectName(QStringLiteral("Operation1"));
    auto action = [&](const char* name, const char* caption, void (TfniEDITOR::*handler)()) {
        QAction* a = operation->addAction(QString::fromLatin1(caption));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    fileActions_ << action("LoadFilefromDISK1", "Load File from DISK",
                           &TfniEDITOR::LoadFilefromDISK1Click);
    fileActions_ << action("SaveFiletoDISK1", "Save File to DISK",
                           &TfniEDITOR::SaveFiletoDISK1Click);
    operation->addSeparator();
    boardActions_[0] =
        action("ReadFromBoard1", "Read From Board ", &TfniEDITOR::ReadFromBoard1Click);
    boardActions_[1] = action("WriteToBoard1", "Write To Board", &TfniEDITOR::WriteToBoard1Click);
    boardActions_[2] = action("EraseProgramonBoard1", "Erase Program on Board",
                              &TfniEDITOR::EraseProgramonBoard1Click);
    boardActions_[3] =
        action("RunBoardProgram1", "Run Board Program", &TfniEDITOR::RunBoardProgram1Click);

    model_ = new QStringListModel(this);
    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("DefinitionList"));
    list_->setModel(model_);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setMinimumSize(520, 380);
    connect(list_, &QListView::doubleClicked, this, &TfniEDITOR::EditButtonClick);

    // The column labels stand over the list's two columns: number and location, then the text.
    auto* header = new QGridLayout;
    header->setHorizontalSpacing(0);
    header->setVerticalSpacing(0);
    header->setContentsMargins(list_->frameWidth() + 4, 0, 0, 2);
    header->setColumnMinimumWidth(
        0, QFontMetrics(list_->font()).horizontalAdvance(QStringLiteral("00001/00001 - ")));
    header->setColumnStretch(1, 1);
    const char* headers[] = {"Line #", "Command", "Line/Location", "Command"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromLatin1(headers[i]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        header->addWidget(label, i / 2, i % 2);
    }

    auto* column = new QVBoxLayout;
    auto button = [&](const char* name, const char* caption, void (TfniEDITOR::*handler)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        column->addWidget(b);
        buttons_ << b;
        return b;
    };
    button("OKButton", "OK", &TfniEDITOR::OKButtonClick);
    button("CancelButton", "Cancel", &TfniEDITOR::CancelButtonClick);
    column->addSpacing(12);
    button("PrintButton", "Print", &TfniEDITOR::PrintButtonClick);
    column->addSpacing(12);
    button("AddButton", "Add", &TfniEDITOR::AddButtonClick);
    button("DeleteButton", "Delete", &TfniEDITOR::DeleteButtonClick);
    button("InsertButton", "Insert", &TfniEDITOR::InsertButtonClick);
    button("EditButton", "Edit", &TfniEDITOR::EditButtonClick);
    column->addSpacing(12);
    button("SaveButton", "Save", &TfniEDITOR::SaveButtonClick);
    column->addStretch(1);

    progressBox_ = new QGroupBox(this);
    progressBox_->setObjectName(QStringLiteral("ProgressBox"));
    progressBar_ = new QProgressBar(progressBox_);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressCancel_ = new QPushButton(QStringLiteral("Cancel"), progressBox_);
    progressCancel_->setObjectName(QStringLiteral("ProgressCancel"));
    progressCancel_->setAutoDefault(false);
    progressCancel_->setEnabled(false);
    connect(progressCancel_, &QPushButton::clicked, this, &TfniEDITOR::ProgressCancelClick);
    auto* progress = new QHBoxLayout(progressBox_);
    progress->addWidget(progressBar_, 1);
    progress->addWidget(progressCancel_);

    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addLayout(header);
    left->addWidget(list_, 1);
    body->addLayout(left, 1);
    body->addLayout(column);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu_);
    layout->addLayout(body, 1);
    layout->addWidget(progressBox_);
}

// ---- activation and the list ----

void TfniEDITOR::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    FormActivate();
}

void TfniEDITOR::FormActivate() {
    boardItemsEnabled_ =
        state_.Serial.CurrentBaud.load() != 0 && state_.Units.totalUnits.load() != 0;
    for (QAction* a : boardActions_) a->setEnabled(boardItemsEnabled_);
    program_.Progress.Show(std::string(), 100, 0);
    ShowProgress();
    ClearOnboardProgram(program_);
    setWindowTitle(QStringLiteral("VDWin IEEPROM Editor : New Program"));
    RefreshList();
}

void TfniEDITOR::SetCaptionName(const QString& name) {
    setWindowTitle(QStringLiteral("VDWin IEEPROM Editor : %1.IEE").arg(name));
}

QStringList TfniEDITOR::ListTexts() const {
    return model_->stringList();
}

int TfniEDITOR::SelectedRow() const {
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TfniEDITOR::SelectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        list_->clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row);
    list_->setCurrentIndex(index);
    list_->scrollTo(index);
}

void TfniEDITOR::RefreshList() {
    QStringList texts;
    const std::vector<std::string> lines = FormatOnboardLines(program_.Lines());
    texts.reserve(static_cast<int>(lines.size()));
    for (const std::string& line : lines) texts << Latin1(line);
    model_->setStringList(texts);
    SelectRow(program_.OnboardCurrentLine.load());
}

int TfniEDITOR::Ask(const char* text, const char* title, unsigned flags) {
    return op_.ShowMessageBox(text, title, flags);
}

bool TfniEDITOR::Busy() const {
    return transferRunning_ || state_.SystemBusy();
}

// ---- editing ----

void TfniEDITOR::AddButtonClick() {
    list_->clearSelection();
    ShowEdit(AddOnboardLine(program_, AskLine()));
}

void TfniEDITOR::InsertButtonClick() {
    ShowEdit(InsertOnboardLine(program_, SelectedRow(), AskLine()));
}

void TfniEDITOR::EditButtonClick() {
    ShowEdit(EditOnboardLineAt(program_, SelectedRow(), AskLine()));
}

void TfniEDITOR::DeleteButtonClick() {
    ShowEdit(DeleteOnboardLine(program_, SelectedRow()));
}

OnboardLineEdit TfniEDITOR::AskLine() {
    return [this](std::string& text) { return EditOnboardLine(text, this); };
}

void TfniEDITOR::ShowEdit(OnboardEdit result) {
    if (result == OnboardEdit::Full) {
        op_.Beep(beep::Stop);
        Ask("The program holds 50000 lines, as many as it can.", kOnboardTitle, mb::Warning);
    } else if (result == OnboardEdit::Changed) {
        RefreshList();
    }
}

// ---- closing ----

void TfniEDITOR::OKButtonClick() {
    if (program_.OnboardLineCount() > 0 && program_.OnboardModified.load() == 1) {
        // A save that failed keeps the window open, so the program is not lost with it.
        if (SaveToDisk() == SaveResult::Failed) return;
    } else if (program_.OnboardLineCount() == 0) {
        op_.Beep(beep::Stop);
        Ask("Program not saved!!!!", kOnboardTitle, mb::StopModal);
    } else {
        program_.OnboardSaved = 1;
    }
    accept();
}

void TfniEDITOR::CancelButtonClick() {
    QDialog::reject();
}

void TfniEDITOR::reject() {
    if (transferRunning_) return;  // the progress box's Cancel stops a transfer
    QDialog::reject();
}

void TfniEDITOR::closeEvent(QCloseEvent* event) {
    if (transferRunning_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

// ---- board operations ----

bool TfniEDITOR::StartTransfer(OnboardOperation operation) {
    if (!core_.OnboardTransferWorker.Start(operation)) return false;
    transferRunning_ = true;
    EnableControls(false);
    if (operation == OnboardOperation::Read) model_->setStringList({});
    transferTimer_->start();
    return true;
}

void TfniEDITOR::TransferTick() {
    ShowProgress();
}

void TfniEDITOR::TransferEnded() {
    transferTimer_->stop();
    transferRunning_ = false;
    EnableControls(true);
    ShowProgress();
    RefreshList();
}

void TfniEDITOR::ShowProgress() {
    const OnboardProgress& p = program_.Progress;
    // An empty caption would take the title's room away and make the window jump.
    const std::string caption = p.Caption.Get();
    progressBox_->setTitle(caption.empty() ? QStringLiteral(" ") : Latin1(caption));
    // A maximum of 0 would turn the bar into a busy indicator.
    const int maximum = static_cast<int>(
        std::min<uint32_t>(std::max(p.BarMaximum.load(), 1u), std::numeric_limits<int>::max()));
    progressBar_->setRange(0, maximum);
    progressBar_->setValue(
        static_cast<int>(std::min<uint32_t>(p.BarPosition.load(), static_cast<uint32_t>(maximum))));
}

void TfniEDITOR::EnableControls(bool enabled) {
    for (QPushButton* b : buttons_) b->setEnabled(enabled);
    for (QAction* a : fileActions_) a->setEnabled(enabled);
    for (QAction* a : boardActions_) a->setEnabled(enabled && boardItemsEnabled_);
    progressCancel_->setEnabled(!enabled);
}

void TfniEDITOR::ProgressCancelClick() {
    core_.OnboardTransferWorker.Stop();
}

void TfniEDITOR::ReadFromBoard1Click() {
    if (Busy()) return;
    if (program_.OnboardLineCount() > 0 && program_.OnboardModified.load() == 1) {
        op_.Beep(beep::Stop);
        if (Ask("Program NOT Saved! Continue?", kOnboardTitle, mb::StopModalYesNo) != mb::IdYes)
            return;
    }
    if (!AskOnboardAddress(program_, op_, this)) return;
    StartTransfer(OnboardOperation::Read);
}

void TfniEDITOR::WriteToBoard1Click() {
    if (program_.OnboardLineCount() == 0 || Busy()) return;
    if (program_.OnboardSaved.load() == 0) {
        op_.Beep(beep::Stop);
        Ask("Program NOT Saved! Continue?", kOnboardTitle, mb::StopModal);
        SaveToDisk();  // the write goes on whatever the save did
    }
    if (!AskOnboardAddress(program_, op_, this)) return;
    StartTransfer(OnboardOperation::Write);
}

void TfniEDITOR::EraseProgramonBoard1Click() {
    if (Busy()) return;
    StartTransfer(OnboardOperation::Erase);
}

void TfniEDITOR::RunBoardProgram1Click() {
    if (Busy()) return;
    if (!AskOnboardAddress(program_, op_, this)) return;
    StartTransfer(OnboardOperation::Run);
}

void InstallOnboardEditor(TMain& main) {
    QAction* item = main.MenuAction("IEEPROMEditor1");
    if (item == nullptr) return;
    QObject::connect(item, &QAction::triggered, &main, [&main] {
        TfniEDITOR editor(main.GetCore(), &main);
        ExecModal(editor);
    });
}

}  // namespace vendra::ui
