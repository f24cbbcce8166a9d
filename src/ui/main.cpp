// The entry point: the application title, the main window and the message loop.
#include <QApplication>

#include "core/app/Core.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"
#include "ui/app/ShippedFont.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vendra for Windows"));
    vendra::ui::UseShippedFontIfNeeded(vendra::ui::SystemUiFontFamilies(),
                                       vendra::ui::ShippedFontFolder());

    vendra::ui::QtOperator op;
    vendra::Core core(op);
    vendra::ui::TMain main(core, op);
    main.show();
    const int code = app.exec();
    // Workers waiting for an answer are released before the core joins them.
    op.Shutdown();
    return code;
}
