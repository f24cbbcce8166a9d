// TAboutDialog: the program's version and name; "OK" closes it.
#pragma once
#include <QDialog>

namespace vendra::ui {

class TAboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutDialog(QWidget* parent = nullptr);
    // "Version : <the build's version>".
    static QString VersionText();
};

}  // namespace vendra::ui
