#include "ui/network/SimulatedNetworkDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/base/Operator.h"
#include "ui/app/MessageBox.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/RadioGroup.h"

namespace vendra::ui {

namespace {
enum Source { kLastScan, kDemo, kFile };
const QString kTitle = QStringLiteral("Simulated Network");
}  // namespace

TSimulatedNetworkDialog::TSimulatedNetworkDialog(const std::string& keptUnits, QWidget* parent)
    : QDialog(parent), keptUnits_(keptUnits) {
    setObjectName(QStringLiteral("TSimulatedNetworkDialog"));
    setWindowTitle(kTitle);
    const QString kept = keptUnits.empty()
                             ? QStringLiteral("The units of the last scan (none kept)")
                             : QStringLiteral("The units of the last scan (%1)")
                                   .arg(QString::fromStdString(keptUnits));
    source_ = new RadioGroup(
        QStringLiteral("Boards"),
        {kept, QStringLiteral("The demo network"), QStringLiteral("The network file below")}, 1,
        this);
    source_->setObjectName(QStringLiteral("SourceRadioGroup"));
    source_->Item(kLastScan)->setEnabled(!keptUnits.empty());
    source_->SetItemIndex(keptUnits.empty() ? kDemo : kLastScan);
    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("NetworkFileEdit"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("BrowseButton"));
    connect(browse, &QPushButton::clicked, this, &TSimulatedNetworkDialog::Browse);
    connect(file_, &QLineEdit::textEdited, this, [this] { source_->SetItemIndex(kFile); });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);

    speed_ = new QSpinBox(this);
    speed_->setObjectName(QStringLiteral("SpeedEdit"));
    speed_->setRange(0, 1000000);
    speed_->setSingleStep(1000);
    speed_->setSuffix(QStringLiteral(" steps/s"));
    speed_->setSpecialValueText(QStringLiteral("the boards' own"));
    auto* speedRow = new QFormLayout;
    speedRow->addRow(QStringLiteral("Motor speed:"), speed_);

    auto* faults = new QGroupBox(QStringLiteral("Faults to rehearse (unit: the frames it answers, "
                                                "as D3 or X1)"),
                                 this);
    auto* grid = new QGridLayout(faults);
    silent_ = AddFaultRow(grid, 0, "SilentUnit", QStringLiteral("A silent unit"));
    late_ = AddFaultRow(grid, 1, "LateUnit", QStringLiteral("A late unit"));
    error_ = AddFaultRow(grid, 2, "ErrorReply", QStringLiteral("An error reply from"));
    lateMs_ = new QSpinBox(faults);
    lateMs_->setObjectName(QStringLiteral("LateMsEdit"));
    lateMs_->setRange(1, 60000);
    lateMs_->setValue(300);
    lateMs_->setPrefix(QStringLiteral("by "));
    lateMs_->setSuffix(QStringLiteral(" ms"));
    grid->addWidget(lateMs_, 1, 2);

    QPushButton* start = nullptr;
    QHBoxLayout* buttons = OkCancelRow(*this, start);
    start->setText(QStringLiteral("Start"));
    connect(start, &QPushButton::clicked, this, &TSimulatedNetworkDialog::StartClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(source_);
    layout->addLayout(fileRow);
    layout->addLayout(speedRow);
    layout->addWidget(faults);
    layout->addWidget(new QLabel(QStringLiteral("No byte goes to a real device while the "
                                                "simulated network is on."),
                                 this));
    layout->addLayout(buttons);
}

TSimulatedNetworkDialog::FaultRow TSimulatedNetworkDialog::AddFaultRow(QGridLayout* grid, int row,
                                                                       const char* name,
                                                                       const QString& text) {
    FaultRow fault{new QCheckBox(text), new QLineEdit};
    fault.on->setObjectName(QLatin1String(name) + QStringLiteral("Check"));
    fault.unit->setObjectName(QLatin1String(name) + QStringLiteral("Edit"));
    fault.unit->setMaxLength(2);
    fault.unit->setFixedWidth(fault.unit->fontMetrics().horizontalAdvance(QStringLiteral("WWW")));
    connect(fault.unit, &QLineEdit::textEdited, fault.on,
            [on = fault.on] { on->setChecked(true); });
    grid->addWidget(fault.on, row, 0);
    grid->addWidget(fault.unit, row, 1);
    return fault;
}

void TSimulatedNetworkDialog::Browse() {
    QFileDialog dialog(this, QStringLiteral("Network File"), QString(),
                       QStringLiteral("Network files (*.txt *.net);;All files (*)"));
    dialog.setObjectName(QStringLiteral("NetworkFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    file_->setText(dialog.selectedFiles().first());
    source_->SetItemIndex(kFile);
}

bool TSimulatedNetworkDialog::FaultRules(std::vector<std::string>& rules, QString& error) const {
    // A unit is named as its frames begin: a family or axis letter and the unit digit.
    static const QRegularExpression kUnit(QStringLiteral("^[A-Za-z][0-9A-Fa-f]$"));
    const struct {
        const FaultRow& row;
        QString what;
        std::string rule;
    } rows[] = {{silent_, QStringLiteral("silent unit"), "noreply"},
                {late_, QStringLiteral("late unit"), "late:ms=" + std::to_string(lateMs_->value())},
                {error_, QStringLiteral("error reply"), "error"}};
    for (const auto& r : rows) {
        if (!r.row.on->isChecked()) continue;
        const QString unit = r.row.unit->text().trimmed().toUpper();
        if (!kUnit.match(unit).hasMatch()) {
            error = QStringLiteral("The %1 needs a unit, as D3 or X1 (a letter and a digit).")
                        .arg(r.what);
            return false;
        }
        rules.push_back(r.rule + ":match=" + unit.toStdString());
    }
    return true;
}

void TSimulatedNetworkDialog::StartClick() {
    SimulatedNetworkChoice choice;
    QString error;
    const int source = source_->ItemIndex();
    if (source == kFile) {
        choice.networkFile = file_->text().trimmed().toStdString();
        if (choice.networkFile.empty()) error = QStringLiteral("Choose the network file.");
    } else if (source == kLastScan) {
        choice.keptUnits = keptUnits_;
    }
    choice.stepsPerSecond = speed_->value();
    if (error.isEmpty() && FaultRules(choice.faults, error)) {
        choice_ = std::move(choice);
        accept();
        return;
    }
    ClassicMessageBox(this, error, kTitle, mb::Warning);
}

}  // namespace vendra::ui
