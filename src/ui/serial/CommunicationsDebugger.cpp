#include "ui/serial/CommunicationsDebugger.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/serial/CommDebugLog.h"
#include "ui/app/ListingPrinter.h"
#include "ui/serial/CommDebugFilterBar.h"
#include "ui/serial/CommDebugListModel.h"

namespace vendra::ui {

namespace {
constexpr uint32_t kRowsPerPage = 81;
}  // namespace

TCommunicationsDebugger::TCommunicationsDebugger(SystemState& state, Operator& op,
                                                 CommDebugLog& log, CommDebugSourceFn sourceLine,
                                                 QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinimizeButtonHint),
      state_(state),
      op_(op),
      log_(log),
      sourceLine_(std::move(sourceLine)) {
    setObjectName(QStringLiteral("CommunicationsDebugger"));
    setWindowTitle(QStringLiteral("Communications Debugger"));

    auto* legend = new QHBoxLayout;
    const char* legendTexts[] = {"->Host", "/", "<-Board"};
    for (const char* t : legendTexts) legend->addWidget(new QLabel(QString::fromLatin1(t), this));
    legend->addStretch(1);

    model_ = new CommDebugListModel(log_, this);
    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("IDC_BOTH_COMM"));
    list_->setUniformItemSizes(true);
    // Long lists are laid out in slices between events; the view follows the newest line as the
    // slices extend the scroll range.
    list_->setLayoutMode(QListView::Batched);
    list_->setBatchSize(4000);
    connect(list_->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            [this](int, int max) { list_->verticalScrollBar()->setValue(max); });
    list_->setItemDelegate(new CommDebugItemDelegate(list_));
    list_->setModel(model_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setMinimumSize(420, 300);
    connect(model_, &CommDebugListModel::LinesAdded, this, &TCommunicationsDebugger::ShowNewest);
    connect(model_, &CommDebugListModel::LinesAdded, this, &TCommunicationsDebugger::ShowCount);
    connect(model_, &CommDebugListModel::RowsReplaced, this, &TCommunicationsDebugger::ShowCount);
    connect(list_, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { ShowSourceLine(index.row()); });

    filterBar_ = new CommDebugFilterBar(this);
    connect(filterBar_, &CommDebugFilterBar::FilterChanged, this,
            [this](const CommDebugFilter& filter) {
                model_->SetFilter(filter);
                ShowNewest();
            });
    timeStamps_ = new QCheckBox(QStringLiteral("Time Stamps"), this);
    timeStamps_->setObjectName(QStringLiteral("TimeStampsBox"));
    connect(timeStamps_, &QCheckBox::toggled, model_, &CommDebugListModel::SetTimeStamps);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setFrameShape(QFrame::StyledPanel);

    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    QPushButton* print = makeButton("PrintButton", "Print");
    QPushButton* clear = makeButton("ClearScreenButton", "Clear Screen");
    QPushButton* save = makeButton("SaveToFileButton", "Save to File");
    QPushButton* csv = makeButton("ExportCsvButton", "Export CSV");
    connect(print, &QPushButton::clicked, this, &TCommunicationsDebugger::PrintButtonClick);
    connect(clear, &QPushButton::clicked, this, &TCommunicationsDebugger::ClearScreenButtonClick);
    connect(save, &QPushButton::clicked, this, &TCommunicationsDebugger::SaveButtonClick);
    connect(csv, &QPushButton::clicked, this, &TCommunicationsDebugger::ExportCsvButtonClick);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addWidget(clear);
    buttons->addWidget(save);
    buttons->addWidget(csv);
    buttons->addWidget(timeStamps_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(legend);
    layout->addWidget(filterBar_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    layout->addWidget(status_);

    AskSaveFileName = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save to File"));
    };
    Printing = DefaultPrintTarget(this);
    AskCsvFileName = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"),
                                            QStringLiteral("comm_debug.csv"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    ShowNewest();
}

TCommunicationsDebugger::~TCommunicationsDebugger() {
    state_.CommDebug.CommDebugWindowReady = 0;
}

void TCommunicationsDebugger::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    state_.CommDebug.CommDebugWindowReady = 1;
}

void TCommunicationsDebugger::closeEvent(QCloseEvent* event) {
    // Closed only by unchecking "Comm. Debug"; the title bar offers minimising.
    event->ignore();
    showMinimized();
}

void TCommunicationsDebugger::ShowNewest() {
    int rows = model_->rowCount();
    if (rows == 0) return;
    QModelIndex last = model_->index(rows - 1);
    list_->setCurrentIndex(last);
    list_->scrollTo(last, QAbstractItemView::PositionAtBottom);
}

void TCommunicationsDebugger::ShowCount() {
    filterBar_->ShowCount(static_cast<size_t>(model_->rowCount()), model_->LogLines(),
                          model_->Filtered());
}

void TCommunicationsDebugger::ShowSourceLine(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    const std::string line = log_.Line(model_->LogIndex(row));
    status_->setText(QString::fromLatin1(sourceLine_ ? sourceLine_(line) : std::string()));
}

void TCommunicationsDebugger::ExportCsvButtonClick() {
    QString name = AskCsvFileName ? AskCsvFileName() : QString();
    if (name.isEmpty()) return;
    model_->Sync();  // every line logged so far
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok =
        log_.ExportCsv(name.toStdString(), model_->ShownLines(), model_->TimeStamps(), error);
    QApplication::restoreOverrideCursor();
    if (!ok) op_.ShowMessageBox(error, "VDWin Error Message", mb::IconWarning);
}

void TCommunicationsDebugger::ClearScreenButtonClick() {
    if (log_.ClearScreen()) model_->Sync();
}

void TCommunicationsDebugger::SaveButtonClick() {
    if (state_.Run.ProgramRunning.load()) return;
    QString name = AskSaveFileName ? AskSaveFileName() : QString();
    if (name.isEmpty()) return;
    std::string error;
    if (!log_.SaveToFile(name.toStdString(), error))
        op_.ShowMessageBox(error, "VDWin Error Message", mb::IconWarning);
}

void TCommunicationsDebugger::PrintButtonClick() {
    if (state_.SystemBusy()) return;
    const uint32_t count = static_cast<uint32_t>(log_.LineCount());
    if (PrintListing(
            op_, QStringLiteral("Communications Debugger"), count, kRowsPerPage,
            [this](uint32_t i) { return QString::fromLatin1(log_.Line(i)); }, Printing) > 0)
        ShowNewest();
}

}  // namespace vendra::ui
