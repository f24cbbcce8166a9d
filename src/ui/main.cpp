// The entry point: the application title, the main window and the message loop.
#include <QApplication>

#include "app/MainWindow.h"
#include "app/QtOperator.h"
#include "app/SystemState.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vendra for Windows"));

    vendra::SystemState state;
    vendra::ui::QtOperator op;
    vendra::ui::TMain main(state, op);
    main.show();
    const int code = app.exec();
    op.Shutdown();
    return code;
}
