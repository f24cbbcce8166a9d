// The board report box "Axis Stats" and the "Axis Information" menu item that leads to it.
//
// The report is shown as a message box with the information icon and an OK button; its text
// scrolls when it is taller than the screen allows (the longest report has 140 lines).
// Thread rule: GUI thread only; the report is made by the core's BoardInfo worker, whose message
// box reaches this box through QtOperator.
#pragma once
#include <QDialog>

class QLabel;

namespace vendra::ui {

class TMain;

class TAxisStatsBox : public QDialog {
    Q_OBJECT
  public:
    // `report`: CR-ended lines.
    explicit TAxisStatsBox(const QString& report, QWidget* parent = nullptr);
    QString ReportText() const;

  private:
    QLabel* text_ = nullptr;
};

// "Axis Information" starts a report unless the system is busy; the report's box is this one.
void InstallBoardInfo(TMain& main);

}  // namespace vendra::ui
