#include "ui/tools/PortConfigurationDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/Core.h"
#include "ui/app/ListingPrinter.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/QtOperator.h"

namespace vendra::ui {

namespace {

constexpr uint32_t kRowsPerPage = 81;
// The memo keeps this many lines; older ones scroll away (a flooding line cannot fill memory).
constexpr int kScrollbackLines = 10000;

}  // namespace

TPortConfigurationDialog::TPortConfigurationDialog(Core& core, Operator& op, Terminal& terminal,
                                                   QWidget* parent)
    : QDialog(parent), core_(core), op_(op), terminal_(terminal) {
    setObjectName(QStringLiteral("TPortConfigurationDialog"));
    setWindowTitle(QStringLiteral("Terminal and Network Scanning Dialog"));

    screen_ = new QPlainTextEdit(this);
    screen_->setObjectName(QStringLiteral("TerminalScreen"));
    screen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    screen_->setLineWrapMode(QPlainTextEdit::NoWrap);
    screen_->setMaximumBlockCount(kScrollbackLines);
    screen_->setMinimumSize(520, 300);
    screen_->installEventFilter(this);

    auto* system = new QLabel(QStringLiteral("Vendra Terminal System"), this);
    system->setObjectName(QStringLiteral("TerminalSystemLabel"));
    auto* hint =
        new QLabel(QStringLiteral("Click in above Window to Activate Terminal Mode"), this);
    hint->setObjectName(QStringLiteral("ActivateHintLabel"));
    hint->setStyleSheet(QStringLiteral("color: red;"));

    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);  // Enter belongs to the memo
        return b;
    };
    QPushButton* clear = makeButton("ClearWindowButton", "Clear Window");
    printButton_ = makeButton("PrintButton", "Print");
    scanButton_ = makeButton("ScanButton", "Scan for Boards");
    connect(clear, &QPushButton::clicked, this, &TPortConfigurationDialog::ClearWindowButtonClick);
    connect(printButton_, &QPushButton::clicked, this, &TPortConfigurationDialog::PrintButtonClick);
    connect(scanButton_, &QPushButton::clicked, this, &TPortConfigurationDialog::ScanButtonClick);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    auto* texts = new QHBoxLayout;
    texts->addWidget(system);
    texts->addStretch(1);
    texts->addWidget(hint);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(clear);
    buttons->addWidget(printButton_);
    buttons->addWidget(scanButton_);
    buttons->addWidget(progress_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(screen_, 1);
    layout->addLayout(texts);
    layout->addLayout(buttons);

    Printing = DefaultPrintTarget(this);
    scanButton_->setEnabled(false);
    if (auto* qt = dynamic_cast<QtOperator*>(&op_))
        connect(qt, &QtOperator::ActivityHasEnded, this, [this](Activity activity) {
            if (activity == Activity::BaudScan && scanning_) ScanEnded();
        });
}

TPortConfigurationDialog::~TPortConfigurationDialog() = default;

void TPortConfigurationDialog::TerminalOpened() {
    scanButton_->setEnabled(terminal_.Active());
}

// ---- the line ----

void TPortConfigurationDialog::OnWindowThread(std::function<void()> work) {
    QPointer<TPortConfigurationDialog> self(this);
    auto guarded = [self, work = std::move(work)] {
        if (self) work();
    };
    if (auto* qt = dynamic_cast<QtOperator*>(&op_))
        qt->Post(std::move(guarded));
    else
        guarded();
}

void TPortConfigurationDialog::ShowLines(std::vector<std::string> lines) {
    OnWindowThread([this, lines = std::move(lines)] {
        for (const std::string& line : lines)
            AddLine(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    });
}

void TPortConfigurationDialog::LineGone() {
    OnWindowThread([this] { GoInert(); });
}

void TPortConfigurationDialog::ScanProgress(int percent) {
    OnWindowThread([this, percent] { progress_->setValue(std::clamp(percent, 0, 100)); });
}

void TPortConfigurationDialog::ScanButtonEnabled(bool enabled) {
    OnWindowThread([this, enabled] { scanButton_->setEnabled(enabled); });
}

void TPortConfigurationDialog::GoInert() {
    scanButton_->setEnabled(false);
}

void TPortConfigurationDialog::AddLine(const QString& text) {
    // A received line gets a line of its own, and typing goes on below it.
    QTextCursor cursor(screen_->document());
    cursor.movePosition(QTextCursor::End);
    if (!cursor.block().text().isEmpty()) cursor.insertBlock();
    cursor.insertText(text);
    cursor.insertBlock();
    screen_->setTextCursor(cursor);
    screen_->ensureCursorVisible();
}

bool TPortConfigurationDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == screen_ && event->type() == QEvent::KeyPress && !scanning_) {
        // Every character the memo is given goes to the typed line; the memo shows it as typed.
        const QByteArray chars = static_cast<QKeyEvent*>(event)->text().toLatin1();
        for (char c : chars) terminal_.KeyPress(c);
    }
    return QDialog::eventFilter(watched, event);
}

// ---- buttons ----

void TPortConfigurationDialog::ClearWindowButtonClick() {
    screen_->clear();
}

QStringList TPortConfigurationDialog::Lines() const {
    QStringList lines = screen_->toPlainText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void TPortConfigurationDialog::PrintButtonClick() {
    printedPages_ = 0;
    if (scanning_) return;
    const QStringList lines = Lines();
    printedPages_ = static_cast<int>(PrintListing(
        op_, QStringLiteral("Terminal"), static_cast<uint32_t>(lines.size()), kRowsPerPage,
        [&lines](uint32_t i) { return lines.value(static_cast<int>(i)); }, Printing));
}

void TPortConfigurationDialog::ScanButtonClick() {
    if (scanning_ || !terminal_.StartScan()) return;
    scanning_ = true;
    screen_->setReadOnly(true);
    printButton_->setEnabled(false);
}

void TPortConfigurationDialog::ScanEnded() {
    scanning_ = false;
    screen_->setReadOnly(false);
    printButton_->setEnabled(true);
    if (!terminal_.Active()) GoInert();
}

void TPortConfigurationDialog::closeEvent(QCloseEvent* event) {
    // The scan runs on the terminal's line: the window stays until it has ended.
    if (scanning_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TPortConfigurationDialog::reject() {
    if (!scanning_) QDialog::reject();
}

void InstallTerminal(TMain& main) {
    QObject::connect(
        main.MenuAction("TerminalandNetworkScanning1"), &QAction::triggered, &main, [&main] {
            Core& core = main.GetCore();
            Terminal terminal(NetworkStateOf(core.State), core.Op, core.Line, core.Network);
            TPortConfigurationDialog dialog(core, core.Op, terminal, &main);
            if (terminal.Open(dialog) == Terminal::Opened::Refused) return;
            dialog.TerminalOpened();
            ExecModal(dialog);
            terminal.Close();
        });
}

}  // namespace vendra::ui
