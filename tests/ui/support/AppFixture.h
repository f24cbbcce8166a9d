// The whole program for a UI test: a scratch working folder, the QtOperator, the core and the
// main window, with the end of the process recorded instead of performed. Declare a
// DialogAnswerer before showing the window: showing it runs the start-up sequence.
#pragma once
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "core/app/Core.h"
#include "sim/Simulator.h"
#include "support/DialogAnswerer.h"
#include "support/SimStart.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"

namespace vendra::ui::test {

struct AppFixture {
    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    bool inFolder = QDir::setCurrent(dir.path());
    QtOperator op;
    Core core{op};
    SystemState& state = core.State;
    TMain main{core, op};
    int exitCode = -1;

    AppFixture() {
        main.SetExitFunction([this](int code) { exitCode = code; });
    }
    ~AppFixture() {
        op.Shutdown();  // a worker waiting for an answer gets the declining one
        QDir::setCurrent(previousDir);
    }

    // "Config.cfg" with the default values, or another port and scan time-out.
    bool WriteConfig(int port = 1, int initTimeout = 60) const {
        QFile f(dir.filePath("Config.cfg"));
        const QByteArray text = QStringLiteral("%1\r\n120\r\n200\r\n250\r\n0\r\n250\r\n%2\r\n")
                                    .arg(port)
                                    .arg(initTimeout)
                                    .toLatin1();
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    }
    bool WriteDefaultConfig() const { return WriteConfig(); }
    // The answers of an operator who accepts the start-up questions: the boards are powered up,
    // the baud rate as shown.
    static void AnswerStartup(DialogAnswerer& answers) {
        answers.QueueMessageBoxButton(mb::IdOk);  // "Please make sure that the Boards are ..."
        answers.QueueClick("BaudrateOK");
    }
    // Waits until the scan has completed (its last message is `message`) and the line is free
    // again.
    bool InitialisationDone(
        const QString& message = QStringLiteral("Initialization Complete .....")) {
        return WaitFor(
            [&] {
                return !state.Serial.Line.Busy() &&
                       main.Control<QLabel>("SystemMessages")->text() == message;
            },
            20000);
    }
    // Shows the window, answers the start-up questions and waits for the scan to complete.
    bool StartUp(DialogAnswerer& answers) {
        AnswerStartup(answers);
        main.show();
        return InitialisationDone();
    }
    // The simulator on COM<port> in the working folder, where the program looks for its port, with
    // `units` and `options` as sim::test::StartSimulator takes them; null, with a warning saying
    // why, when it cannot start.
    std::unique_ptr<sim::Simulator> StartSimulator(const std::string& units, sim::Options& options,
                                                   int port = 1) const {
        std::string error;
        auto simulator =
            sim::test::StartSimulator(dir.path().toStdString(), port, units, options, error);
        if (!simulator) qWarning("%s", error.c_str());
        return simulator;
    }
    std::unique_ptr<sim::Simulator> StartSimulator(const std::string& units, int port = 1) const {
        sim::Options options;
        return StartSimulator(units, options, port);
    }
    // A file of the working folder, whole ("" when it cannot be read).
    QByteArray FileText(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray ConfigText() const { return FileText(QStringLiteral("Config.cfg")); }
};

}  // namespace vendra::ui::test
