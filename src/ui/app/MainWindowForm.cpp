// The layout of TMain: every control with its component name and design-time text.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/serial/BoardProtocol.h"
#include "ui/app/MainWindow.h"

namespace vendra::ui {

namespace {

constexpr int kClientWidth = 694, kClientHeight = 442;

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

// A status text in its captioned group, the way the window shows line, command and messages.
QGroupBox* TextGroup(QWidget* parent, const char* groupName, const QString& caption,
                     const char* labelName, const QString& text) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(QLatin1String(groupName));
    auto* label = new QLabel(text, group);
    label->setObjectName(QLatin1String(labelName));
    label->setTextFormat(Qt::PlainText);
    auto* layout = new QHBoxLayout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->addWidget(label);
    return group;
}

QLabel* ValueField(QWidget* parent, const char* name) {
    auto* v = new QLabel(parent);
    v->setObjectName(QLatin1String(name));
    v->setFrameShape(QFrame::Panel);
    v->setFrameShadow(QFrame::Sunken);
    v->setTextFormat(Qt::PlainText);
    v->setMinimumWidth(88);
    v->setFixedHeight(18);
    return v;
}

}  // namespace

void TMain::BuildForm() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(8);
    columns->addWidget(BuildLeftColumn());
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(BuildStatistics());
    right->addWidget(BuildUnitGroups(), 1);
    columns->addLayout(right, 1);

    // The progress group's caption names what the bar shows (the communication test's progress).
    auto* progressGroup = new QGroupBox(client);
    progressGroup->setObjectName(QStringLiteral("MainBarGraph"));
    auto* progress = new QProgressBar(progressGroup);
    progress->setObjectName(QStringLiteral("MainBarProgress"));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    progress->setFixedHeight(14);
    auto* progressLayout = new QHBoxLayout(progressGroup);
    progressLayout->setContentsMargins(6, 2, 6, 4);
    progressLayout->addWidget(progress);

    auto* outer = new QVBoxLayout(client);
    outer->setContentsMargins(8, 6, 8, 6);
    outer->setSpacing(6);
    outer->addLayout(columns, 1);
    outer->addWidget(progressGroup);

    BuildMenus();
}

QWidget* TMain::BuildLeftColumn() {
    auto* column = new QWidget(centralWidget());
    column->setFixedWidth(262);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* runRow = new QHBoxLayout;
    runRow->addWidget(Button(column, "RunButton", QStringLiteral("Run Program")));
    runRow->addWidget(Button(column, "AbortButton", QStringLiteral("Abort")));
    layout->addLayout(runRow);

    auto* debugger = new QGroupBox(QStringLiteral("Debugger"), column);
    debugger->setObjectName(QStringLiteral("DebuggerGroup"));
    auto* dbg = new QGridLayout(debugger);
    dbg->setContentsMargins(8, 2, 8, 6);
    dbg->setVerticalSpacing(2);
    dbg->addWidget(Check(debugger, "ProgramDebug", QStringLiteral("Prog. Debug")), 0, 0);
    dbg->addWidget(Check(debugger, "Breakpoints", QStringLiteral("Breakpoints")), 1, 0);
    dbg->addWidget(Check(debugger, "CommDebug", QStringLiteral("Comm. Debug")), 2, 0);
    dbg->addWidget(Button(debugger, "SingleStep", QStringLiteral("Single Step")), 0, 1);
    dbg->addWidget(Button(debugger, "ResetPointer", QStringLiteral("Reset Pointer")), 1, 1);
    layout->addWidget(debugger);

    auto* displays = new QGridLayout;
    displays->setContentsMargins(8, 0, 8, 0);
    displays->setVerticalSpacing(2);
    displays->addWidget(Check(column, "DispEncoders", QStringLiteral("Disp. Encoders")), 0, 0);
    displays->addWidget(Check(column, "DisplayTempReg", QStringLiteral("Disp. Temp. Reg.")), 0, 1);
    displays->addWidget(Check(column, "TimeStamp", QStringLiteral("Time Stamp")), 1, 0);
    layout->addLayout(displays);

    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(
        TextGroup(column, "LineGroup", QStringLiteral("Line"), "Line1", QStringLiteral("000000")));
    lineRow->addWidget(
        TextGroup(column, "CLoopGroup", QStringLiteral("CLoop"), "CLoop", QStringLiteral("00000")));
    layout->addLayout(lineRow);
    layout->addWidget(
        TextGroup(column, "CommandGroup", QStringLiteral("Command"), "Command", QString()));
    layout->addWidget(
        TextGroup(column, "CommentsGroup", QStringLiteral("Comments"), "Comments", QString()));
    auto* messages = TextGroup(column, "SystemMessagesGroup", QStringLiteral("System Messages"),
                               "SystemMessages", QString());
    auto* messageText = messages->findChild<QLabel*>(QStringLiteral("SystemMessages"));
    messageText->setWordWrap(true);
    messageText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(messages, 1);
    return column;
}

QWidget* TMain::BuildStatistics() {
    auto* group = new QGroupBox(QStringLiteral("Program Statistics"), centralWidget());
    group->setObjectName(QStringLiteral("ProgramStatistics"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 2, 8, 6);
    grid->setVerticalSpacing(3);
    grid->setHorizontalSpacing(6);
    const struct {
        const char* name;
        const char* caption;
    } fields[] = {{"ProgramTime", "Time"},     {"ProgramAverage", "Average"},
                  {"ProgramHigh", "High"},     {"ProgramLow", "Low"},
                  {"ProgramStatus", "Status"}, {"MtrPercent", "Mtr %"},
                  {"ProgCommand", "Comnd"},    {"AvgMove", "Avg. Mov."},
                  {"MotorComm", "Motor Comm"}, {"BaudrateDisplay", "Baudrate"}};
    for (int i = 0; i < 10; ++i) {
        const int row = i % 5, col = (i / 5) * 2;
        auto* caption = new QLabel(QLatin1String(fields[i].caption), group);
        caption->setObjectName(QLatin1String(fields[i].name) + QStringLiteral("Caption"));
        grid->addWidget(caption, row, col);
        grid->addWidget(ValueField(group, fields[i].name), row, col + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

QWidget* TMain::BuildUnitGroups() {
    auto* strip = new QWidget(centralWidget());
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    static const char kDigits[] = "0123456789ABCDEF";
    for (int g = 0; g < kUnitGroups; ++g) {
        auto* group =
            new QGroupBox(QLatin1String(protocol::GroupName(static_cast<UnitGroup>(g))), strip);
        group->setObjectName(QLatin1String(protocol::GroupName(static_cast<UnitGroup>(g))) +
                             QStringLiteral("Group"));
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(6, 2, 4, 4);
        grid->setVerticalSpacing(1);
        grid->setHorizontalSpacing(4);
        for (int a = 0; a < 16; ++a) {
            auto* indicator = new QRadioButton(QString(QLatin1Char(kDigits[a])), group);
            indicator->setObjectName(QLatin1String(protocol::GroupName(static_cast<UnitGroup>(g))) +
                                     QString::number(a));
            // Indicators show which units answered: several of a family are marked at once, and
            // the operator cannot change them.
            indicator->setAutoExclusive(false);
            indicator->setAttribute(Qt::WA_TransparentForMouseEvents);
            indicator->setFocusPolicy(Qt::NoFocus);
            grid->addWidget(indicator, a % 8, a / 8);
            indicators_[g][a] = indicator;
        }
        auto* countGroup = new QGroupBox(QStringLiteral("Count"), group);
        countGroup->setObjectName(QLatin1String(protocol::GroupName(static_cast<UnitGroup>(g))) +
                                  QStringLiteral("_CountGroup"));
        auto* count = new QLabel(countGroup);
        count->setObjectName(QLatin1String(protocol::GroupName(static_cast<UnitGroup>(g))) +
                             QStringLiteral("_Count"));
        count->setAlignment(Qt::AlignCenter);
        auto* countLayout = new QHBoxLayout(countGroup);
        countLayout->setContentsMargins(4, 0, 4, 2);
        countLayout->addWidget(count);
        countGroup->setFixedHeight(38);
        counts_[g] = count;
        grid->addWidget(countGroup, 8, 0, 1, 2);
        row->addWidget(group);
    }
    return strip;
}

void TMain::BuildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    action(file, "LoadDefineFile1", QStringLiteral("Load Define File"));
    action(file, "EditDefineFile1", QStringLiteral("Edit Define File"));
    file->addSeparator();
    action(file, "ExitProgram1", QStringLiteral("Exit Program"));

    QMenu* network = menuBar()->addMenu(QStringLiteral("Network"));
    network->setObjectName(QStringLiteral("Network1"));
    action(network, "AxisInformation1", QStringLiteral("Axis Information"));
    action(network, "ChangeBaudrate1", QStringLiteral("Change Baudrate"));
    action(network, "TerminalandNetworkScanning1", QStringLiteral("Terminal and Network Scanning"));
    action(network, "SerialNetworkTest1", QStringLiteral("Serial Network Test"));
    action(network, "ARMConfiguration1", QStringLiteral("ARM Configuration"))->setVisible(false);

    QMenu* system = menuBar()->addMenu(QStringLiteral("System"));
    system->setObjectName(QStringLiteral("System1"));
    action(system, "ConfigureSystem1", QStringLiteral("Configure System"));
    action(system, "IEEPROMEditor1", QStringLiteral("IEEPROM Editor"));
    system->addSeparator();
    action(system, "SimulatedNetwork1", QStringLiteral("Simulated Network..."));
    action(system, "RealLine1", QStringLiteral("Back to the Real Line"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    action(help, "About1", QStringLiteral("About"));
}

}  // namespace vendra::ui
