#include "ui/serial/SerialDeviceTable.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cerrno>

namespace vendra::ui {

namespace {
enum Column { kPath, kName, kMaker, kProduct, kSerial, kAccess, kColumns };

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}
}  // namespace

SerialDeviceTable::SerialDeviceTable(Sources sources, QWidget* parent)
    : QWidget(parent), sources_(std::move(sources)) {
    table_ = new QTreeWidget(this);
    table_->setObjectName(QStringLiteral("SerialDevices"));
    table_->setRootIsDecorated(false);
    table_->setColumnCount(kColumns);
    table_->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Name"),
                             QStringLiteral("Maker"), QStringLiteral("Product"),
                             QStringLiteral("Serial"), QStringLiteral("Access")});
    table_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setMinimumHeight(110);
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("SerialDevicesError"));
    error_->setTextFormat(Qt::PlainText);
    error_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    layout->addWidget(error_);
    if (sources_.monitor) {
        notifier_ = new QSocketNotifier(static_cast<qintptr>(sources_.monitor->Descriptor()),
                                        QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SerialDeviceTable::MonitorReadable);
    } else {
        auto* refresh = new QPushButton(QStringLiteral("Refresh"), this);
        refresh->setObjectName(QStringLiteral("RefreshDevices"));
        refresh->setAutoDefault(false);  // Enter in the dialog still means OK
        connect(refresh, &QPushButton::clicked, this, &SerialDeviceTable::Refresh);
        layout->addWidget(refresh, 0, Qt::AlignLeft);
    }
    connect(table_, &QTreeWidget::itemSelectionChanged, this, &SerialDeviceTable::chosenChanged);
    Refresh();
}

// The notifier goes before the monitor whose descriptor it watches.
SerialDeviceTable::~SerialDeviceTable() {
    delete notifier_;
}

void SerialDeviceTable::MonitorReadable() {
    if (sources_.monitor->TakeChanges()) Refresh();
}

void SerialDeviceTable::Refresh() {
    const std::string chosen = Chosen();
    std::vector<SerialDeviceInfo> devices;
    std::string error;
    const bool listed =
        sources_.enumerator && ListSerialDevices(*sources_.enumerator, devices, error);
    error_->setText(Text(error));
    error_->setVisible(sources_.enumerator && !listed);

    QTreeWidgetItem* keep = nullptr;
    {
        const QSignalBlocker quiet(table_);
        table_->clear();
        for (const SerialDeviceInfo& d : devices) {
            const bool denied =
                sources_.accessError && sources_.accessError(d.devicePath) == EACCES;
            auto* row = new QTreeWidgetItem(
                table_, {Text(d.stablePath), Text(d.kernelName), Text(d.maker), Text(d.product),
                         Text(d.serial), denied ? QStringLiteral("no permission") : QString()});
            if (d.stablePath == chosen) keep = row;
        }
        if (keep != nullptr) keep->setSelected(true);
    }
    // A chosen device that went away is no longer chosen.
    if (!chosen.empty() && keep == nullptr) emit chosenChanged();
}

std::string SerialDeviceTable::Chosen() const {
    const QList<QTreeWidgetItem*> rows = table_->selectedItems();
    return rows.isEmpty() ? std::string() : rows.first()->text(kPath).toStdString();
}

}  // namespace vendra::ui
