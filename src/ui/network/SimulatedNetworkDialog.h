// TSimulatedNetworkDialog ("Simulated Network"): what the program's own simulated network plays:
// the units of the last real scan, the demo network or a network file; the motors' speed; and
// the faults to rehearse (a silent unit, a late unit, a unit answering with an error). Start
// accepts it when every field is valid, else a message says which is not and nothing is lost.
// Thread rule: GUI thread.
#pragma once
#include <QDialog>
#include <string>

#include "simline/SimulatedLine.h"

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QSpinBox;

namespace vendra::ui {

class RadioGroup;

class TSimulatedNetworkDialog : public QDialog {
    Q_OBJECT
  public:
    // `keptUnits`: LastScan.cfg's units ("" when no real scan was kept).
    TSimulatedNetworkDialog(const std::string& keptUnits, QWidget* parent = nullptr);

    // What Start chose (valid once the dialog was accepted).
    const SimulatedNetworkChoice& Choice() const { return choice_; }

  private:
    struct FaultRow {
        QCheckBox* on;
        QLineEdit* unit;
    };
    FaultRow AddFaultRow(QGridLayout* grid, int row, const char* name, const QString& text);
    void Browse();
    void StartClick();
    // The rules of the ticked faults; false with `error` naming the field that is wrong.
    bool FaultRules(std::vector<std::string>& rules, QString& error) const;

    std::string keptUnits_;
    RadioGroup* source_;
    QLineEdit* file_;
    QSpinBox* speed_;
    FaultRow silent_, late_, error_;
    QSpinBox* lateMs_;
    SimulatedNetworkChoice choice_;
};

}  // namespace vendra::ui
