// The IEEPROM editor window and its dialogs: editing the list, the files, the address dialog's
// checks, and the board operations run from the window against the simulator over a pty while
// the window stays responsive.
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/onboard/IeeFile.h"
#include "sim/Simulator.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "support/PrintedListing.h"
#include "ui/onboard/OnboardDialogs.h"
#include "ui/onboard/OnboardEditor.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::ClickButton;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::PrintedListing;
using vendra::ui::test::WaitFor;

namespace {

struct Fixture : vendra::ui::test::AppFixture {
    std::unique_ptr<TfniEDITOR> editor;
    OnboardProgram& program = state.Onboard;

    TfniEDITOR& Open() {
        editor = std::make_unique<TfniEDITOR>(core);
        editor->Printing.AskPdfFileName = [] { return QString(); };
        editor->show();  // activation: clears the program, enables the board items
        return *editor;
    }
    void Click(const char* name) {
        auto* b = editor->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(b && b->isEnabled(), name);
        b->click();
    }
    QAction* Item(const char* name) { return editor->findChild<QAction*>(QLatin1String(name)); }
    QString File(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QStringList Lines() const {
        QStringList out;
        for (const std::string& l : program.Lines()) out << QString::fromStdString(l);
        return out;
    }
};

// Answers the line dialog with `text` and OK.
DialogAnswerer::Answer TypeLine(const QString& text) {
    return [text](QDialog& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("IEEPROM Command"));
        d.findChild<QLineEdit*>(QStringLiteral("IDC_ADD_COMMENTS"))->setText(text);
        ClickButton(d, "OKButton");
    };
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class OnboardEditorTest : public QObject {
    Q_OBJECT
  private slots:
    void editingTheList() {
        Fixture f;
        f.program.AppendLine("left over");
        TfniEDITOR& e = f.Open();
        QCOMPARE(e.windowTitle(), QStringLiteral("VDWin IEEPROM Editor : New Program"));
        QCOMPARE(f.program.OnboardLineCount(), size_t(0));
        QVERIFY(!f.Item("ReadFromBoard1")->isEnabled());  // no units found
        QVERIFY(f.Item("LoadFilefromDISK1")->isEnabled());

        DialogAnswerer answers;
        for (const char* t : {"12345", "abc", "0123456789"}) {
            answers.Queue(TypeLine(QLatin1String(t)));
            f.Click("AddButton");
        }
        QCOMPARE(e.ListTexts(), (QStringList{"00001/00001 - 12345", "00002/00007 - abc",
                                             "00003/00011 - 0123456789"}));
        QCOMPARE(f.program.OnboardModified.load(), 1u);

        // Insert before the selected row; with none selected at the end; a cancelled insert
        // leaves nothing behind.
        e.SelectRow(1);
        answers.Queue(TypeLine("ins"));
        f.Click("InsertButton");
        QCOMPARE(f.Lines(), (QStringList{"12345", "ins", "abc", "0123456789"}));
        QCOMPARE(e.SelectedRow(), 2);
        e.SelectRow(-1);
        answers.Queue(TypeLine("end"));
        f.Click("InsertButton");
        answers.QueueClick("CancelButton");
        f.Click("InsertButton");
        QCOMPARE(f.Lines(), (QStringList{"12345", "ins", "abc", "0123456789", "end"}));

        // Edit by double click; the dialog shows the line's text.
        e.SelectRow(0);
        answers.Queue([](QDialog& d) {
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("IDC_ADD_COMMENTS"));
            QCOMPARE(edit->text(), QStringLiteral("12345"));
            QCOMPARE(edit->maxLength(), 255);
            edit->setText(QStringLiteral("A1000"));
            ClickButton(d, "OKButton");
        });
        emit e.List()->doubleClicked(e.List()->model()->index(0, 0));
        QCOMPARE(f.program.Line(0), std::string("A1000"));

        // Delete with no row selected removes the last line; otherwise the selected one, and
        // the row before it is selected.
        e.SelectRow(-1);
        f.Click("DeleteButton");
        QCOMPARE(f.Lines(), (QStringList{"A1000", "ins", "abc", "0123456789"}));
        e.SelectRow(2);
        f.Click("DeleteButton");
        QCOMPARE(f.Lines(), (QStringList{"A1000", "ins", "0123456789"}));
        QCOMPARE(e.SelectedRow(), 1);
        QVERIFY(answers.Unexpected().isEmpty());
    }

    void filesAndTheirQuestions() {
        Fixture f;
        TfniEDITOR& e = f.Open();
        DialogAnswerer answers;
        QString saveAs, openName;
        e.AskSaveFileName = [&](const QString& preset) {
            [&] { QCOMPARE(preset, QStringLiteral(".IEE")); }();
            return saveAs;
        };
        e.AskOpenFileName = [&](const QString&) { return openName; };

        // Saving nothing asks first; a name without extension gets ".IEE".
        answers.QueueMessageBoxButton(mb::IdOk);
        saveAs = f.File("empty");
        f.Click("SaveButton");
        QCOMPARE(answers.Texts().value(0), QStringLiteral("No Program to Save! Continue?"));
        QVERIFY(QFile::exists(f.File("empty.IEE")));
        QCOMPARE(e.windowTitle(), QStringLiteral("VDWin IEEPROM Editor : empty.IEE"));

        QFile file(f.File("example.iee"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("A1000\r\n\r\n; just a comment\r\n\"P;1\"\r\n");
        file.close();
        openName = f.File("example.iee");
        f.Item("LoadFilefromDISK1")->trigger();
        QCOMPARE(f.Lines(), (QStringList{"A1000", "P;1"}));
        QCOMPARE(e.windowTitle(), QStringLiteral("VDWin IEEPROM Editor : example.IEE"));
        QCOMPARE(f.state.App.ProgramPath.Get(), f.File("example.iee").toStdString());
        QCOMPARE(f.program.OnboardSaved.load(), 1u);
        QCOMPARE(f.program.OnboardModified.load(), 0u);

        // Changed and not saved: loading asks; No keeps everything.
        answers.Queue(TypeLine("B2"));
        f.Click("AddButton");
        answers.QueueMessageBoxButton(mb::IdNo);
        f.Item("LoadFilefromDISK1")->trigger();
        QCOMPARE(answers.Texts().last(), QStringLiteral("Program NOT Saved! Continue?"));
        QCOMPARE(f.Lines(), (QStringList{"A1000", "P;1", "B2"}));

        // A file that cannot be opened: the program stays.
        answers.QueueMessageBoxButton(mb::IdYes);
        answers.QueueMessageBoxButton(mb::IdOk);
        openName = f.File("missing.IEE");
        f.Item("LoadFilefromDISK1")->trigger();
        QCOMPARE(answers.Texts().last(), QStringLiteral("Error in Data File"));
        QCOMPARE(answers.Titles().last(), QStringLiteral("VDWin ERROR Message"));
        QCOMPARE(f.Lines(), (QStringList{"A1000", "P;1", "B2"}));

        // "Save File to DISK" writes CR LF lines, quoting the one with ';'.
        e.AskSaveFileName = [&](const QString& preset) {
            [&] { QCOMPARE(preset, QStringLiteral("example.IEE")); }();
            return f.File("out");
        };
        f.Item("SaveFiletoDISK1")->trigger();
        QCOMPARE(ReadBytes(f.File("out.IEE")), QByteArray("A1000\r\n\"P;1\"\r\nB2\r\n"));
        QCOMPARE(e.windowTitle(), QStringLiteral("VDWin IEEPROM Editor : out.IEE"));

        // OK on a changed program saves; a save that fails keeps the window open.
        e.AskSaveFileName = [&](const QString&) { return f.File("no/such/folder/x.IEE"); };
        answers.QueueMessageBoxButton(mb::IdOk);
        f.Click("OKButton");
        QCOMPARE(answers.Titles().last(), QStringLiteral("File Error"));
        QVERIFY(answers.Texts().last().startsWith(QStringLiteral("Can't Save File\n")));
        QVERIFY(e.isVisible());
        e.AskSaveFileName = [&](const QString&) { return f.File("final"); };
        f.Click("OKButton");
        QVERIFY(!e.isVisible());
        QCOMPARE(e.result(), int(QDialog::Accepted));
        QVERIFY(QFile::exists(f.File("final.IEE")));
        QVERIFY(answers.Unexpected().isEmpty());
    }

    void okOnAnEmptyProgramSaysItWasNotSaved() {
        Fixture f;
        TfniEDITOR& e = f.Open();
        DialogAnswerer answers;
        answers.QueueMessageBoxButton(mb::IdOk);
        f.Click("OKButton");
        QCOMPARE(answers.Texts(), QStringList{QStringLiteral("Program not saved!!!!")});
        QCOMPARE(answers.Titles(), QStringList{QStringLiteral("VDWin IEEPROM Editor Message")});
        QVERIFY(!e.isVisible());
    }

    void addressDialogChecksEveryChange() {
        Fixture f;
        f.program.BoardProgramSize = 4000;
        f.program.OnboardStartAddress = 0;
        DialogAnswerer answers;
        int rangeMessages = 0;
        answers.Queue([&](QDialog& d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("Please Input IEEPROM Address"));
            QVERIFY(d.findChild<QLabel*>()->text() == QStringLiteral("Address (1-4000)"));
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT9"));
            QCOMPARE(edit->text(), QStringLiteral("1"));  // 0 becomes 1
            for (const char* text : {"12abc", "0", "4001", "", "4000", "250"}) {
                edit->setText(QLatin1String(text));
            }
            rangeMessages = answers.Titles().count(QStringLiteral("Parameter Input Range ERROR"));
            edit->setText(QStringLiteral("-3"));
            ClickButton(d, "OKButton");  // refused: the message again, the dialog stays
            QVERIFY(d.isVisible());
            edit->setText(QStringLiteral("250"));
            ClickButton(d, "OKButton");
        });
        for (int i = 0; i < 6; ++i) answers.QueueMessageBoxButton(mb::IdOk);
        QVERIFY(AskOnboardAddress(f.program, f.op, nullptr));
        QCOMPARE(rangeMessages, 4);
        QCOMPARE(answers.Texts().count(QStringLiteral("Input is out of range")), 6);
        QCOMPARE(f.program.OnboardStartAddress.load(), 250u);
        QVERIFY(answers.Unexpected().isEmpty());
    }

    void boardOperationsRunWhileTheWindowStaysResponsive() {
        Fixture f;
        sim::Options options;
        options.pace = true;
        options.boardBaud = 9600;
        auto simulator = f.StartSimulator("D5:vF=60000", options);
        QVERIFY(simulator);
        std::vector<std::string> stored;
        for (int i = 0; i < 400; ++i) stored.push_back("A" + std::to_string(i * 10));
        QVERIFY(simulator->SetProgramLines("D5", stored));
        QVERIFY(f.core.Line.Take(LineUser::MainWindow).OpenDevice(simulator->SlavePath(), 9600));
        f.state.Serial.CurrentBaud = 9600;
        f.state.Units.present[0][5] = 1;
        f.state.Units.unitCount[0] = 1;
        f.state.Units.totalUnits = 1;

        TfniEDITOR& e = f.Open();
        QVERIFY(f.Item("ReadFromBoard1")->isEnabled());
        DialogAnswerer answers;
        answers.QueueClick("OKButton");  // the address dialog
        f.Item("ReadFromBoard1")->trigger();
        QVERIFY(e.TransferRunning());
        QVERIFY(!e.findChild<QPushButton*>(QStringLiteral("AddButton"))->isEnabled());
        QVERIFY(e.findChild<QPushButton*>(QStringLiteral("ProgressCancel"))->isEnabled());

        // The listing takes about 4 s at 9600 baud: the window's timers keep running meanwhile.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        auto* box = e.findChild<QGroupBox*>(QStringLiteral("ProgressBox"));
        QVERIFY(WaitFor([&] { return f.program.OnboardLineCount() > 50; }, 5000));
        QCOMPARE(box->title(), QStringLiteral("Reading Board Data, Please wait ...."));
        QVERIFY(e.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value() > 0);
        QVERIFY2(ticks > 20, qPrintable(QString::number(ticks)));

        // Cancelled from the progress box: the lines read so far stay.
        answers.QueueMessageBoxButton(mb::IdOk);
        e.findChild<QPushButton*>(QStringLiteral("ProgressCancel"))->click();
        QVERIFY(WaitFor([&] { return !e.TransferRunning(); }, 3000));
        QCOMPARE(box->title(), QStringLiteral("Operation Cancelled ......"));
        const int kept = e.ListTexts().size();
        QVERIFY(kept > 50 && kept < 400);
        QVERIFY(answers.Texts().last().startsWith(QStringLiteral("Operation Cancelled")));

        // A whole read, then a write of an edited program and the read-back.
        simulator->SetPacing(false);
        answers.QueueClick("OKButton");
        answers.QueueMessageBoxButton(mb::IdOk);  // "Operation Complete"
        f.Item("ReadFromBoard1")->trigger();
        QVERIFY(WaitFor([&] { return !e.TransferRunning(); }, 5000));
        QCOMPARE(e.ListTexts().size(), 400);
        QCOMPARE(answers.Titles().last(), QStringLiteral("VDWin - Message"));
        QCOMPARE(box->title(), QStringLiteral("Operation Complete"));

        e.SelectRow(0);
        answers.Queue(TypeLine("K1"));
        f.Click("EditButton");
        f.program.OnboardSaved = 0;
        e.AskSaveFileName = [](const QString&) { return QString(); };  // not saved: goes on
        answers.QueueMessageBoxButton(mb::IdOk);  // "Program NOT Saved! Continue?"
        answers.QueueClick("OKButton");           // the address dialog
        answers.QueueMessageBoxButton(mb::IdOk);  // "Operation Complete"
        f.Item("WriteToBoard1")->trigger();
        QVERIFY(WaitFor([&] { return !e.TransferRunning(); }, 10000));
        stored[0] = "K1";
        QCOMPARE(*simulator->ProgramLines("D5"), stored);
        QCOMPARE(answers.Titles().last(), QStringLiteral("VDWin IEEPROM Editor Message"));

        // Run at the address typed; erase after the question.
        answers.Queue([](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT9"))->setText(QStringLiteral("6"));
            ClickButton(d, "OKButton");
        });
        answers.QueueMessageBoxButton(mb::IdOk);
        f.Item("RunBoardProgram1")->trigger();
        QVERIFY(WaitFor([&] { return !e.TransferRunning(); }, 5000));
        QCOMPARE(*simulator->ProgramRunAddress("D5"), 6u);
        answers.QueueMessageBoxButton(mb::IdYes);
        answers.QueueMessageBoxButton(mb::IdOk);
        f.Item("EraseProgramonBoard1")->trigger();
        QVERIFY(WaitFor([&] { return !e.TransferRunning(); }, 5000));
        QVERIFY(simulator->ProgramLines("D5")->empty());
        QVERIFY(answers.Unexpected().isEmpty());
        QVERIFY(!f.state.Serial.Line.Busy());
        f.core.Line.Take(LineUser::MainWindow).Close();
    }

    void printsEightyOneRowsAPage() {
        Fixture f;
        TfniEDITOR& e = f.Open();
        f.program.ReplaceLines(std::vector<std::string>(163, "A1000"));
        e.RefreshList();
        e.SelectRow(5);
        PrintedListing printed;
        printed.Attach(e.Printing);
        f.Click("PrintButton");
        QCOMPARE(printed.docName, QStringLiteral("VDWin IEEPROM Editor"));
        QCOMPARE(printed.rowsPerPage, 81u);
        QCOMPARE(printed.pages, (std::vector<uint32_t>{81, 81, 1}));
        QCOMPARE(printed.lines, e.ListTexts());
        QCOMPARE(printed.lines.last(), QStringLiteral("00163/00973 - A1000"));
        QCOMPARE(e.SelectedRow(), 5);
    }

    void mainMenuOpensTheEditor() {
        Fixture f;
        DialogAnswerer answers;
        answers.Queue([](QDialog& d) {
            QCOMPARE(d.objectName(), QStringLiteral("TfniEDITOR"));
            QCOMPARE(d.windowTitle(), QStringLiteral("VDWin IEEPROM Editor : New Program"));
            ClickButton(d, "CancelButton");
        });
        f.main.MenuAction("IEEPROMEditor1")->trigger();
        QCOMPARE(answers.Pending(), 0);
        QVERIFY(answers.Unexpected().isEmpty());
    }
};

QTEST_MAIN(OnboardEditorTest)
#include "OnboardEditorTest.moc"
