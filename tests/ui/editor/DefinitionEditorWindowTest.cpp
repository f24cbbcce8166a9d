// The definition editor window and its dialogs, driven like an operator: a program written from
// nothing with the chooser, the parameter dialogs and the label picker, saved, loaded back and run
// on the simulator; a dialog's warnings and refusals; printing a listing.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <initializer_list>
#include <utility>

#include "core/app/LoadProgramFile.h"
#include "core/program/CommandTable.h"
#include "sim/Simulator.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "support/PrintedListing.h"
#include "ui/app/RadioGroup.h"
#include "ui/editor/DefinitionEditorDisplay.h"
#include "ui/editor/DefinitionListModel.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::AppFixture;
using vendra::ui::test::ClickButton;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::PrintedListing;
using vendra::ui::test::WaitFor;

namespace {

using Fields = std::initializer_list<std::pair<const char*, const char*>>;

QLineEdit* EditOf(QDialog& d, const char* name) {
    auto* e = d.findChild<QLineEdit*>(QLatin1String(name));
    if (e == nullptr) qWarning("no edit %s in %s", name, qPrintable(d.objectName()));
    return e;
}

// Types each text over what its edit held, as an operator who selects it all and types.
void Type(QDialog& d, Fields fields) {
    for (const auto& [name, text] : fields) {
        QLineEdit* e = EditOf(d, name);
        QVERIFY(e != nullptr);
        e->selectAll();
        QTest::keyClicks(e, QLatin1String(text));
    }
}

// The command chooser: the keyword typed, then OK.
DialogAnswerer::Answer Choose(const char* keyword) {
    return [keyword](QDialog& d) {
        QCOMPARE(d.objectName(), QStringLiteral("TfnDCommand"));
        auto* combo = d.findChild<QComboBox*>(QStringLiteral("IDC_COMBOBOX1"));
        QVERIFY(combo != nullptr);
        QCOMPARE(combo->count(), kCommandCount);
        combo->setEditText(QLatin1String(keyword));
        ClickButton(d, "OKButton");
    };
}

// A parameter dialog of class `className`: the fields typed, then OK.
DialogAnswerer::Answer Fill(const char* className, Fields fields) {
    std::vector<std::pair<const char*, const char*>> copy(fields);
    return [className, copy](QDialog& d) {
        QCOMPARE(d.objectName(), QLatin1String(className));
        for (const auto& f : copy) Type(d, {f});
        ClickButton(d, "OKButton");
    };
}

DialogAnswerer::Answer ChooseFile(const QString& path) {
    return [path](QDialog& d) {
        auto& files = static_cast<QFileDialog&>(d);
        files.selectFile(path);
        static_cast<QDialog&>(files).accept();  // the file dialog's own accept
    };
}

}  // namespace

class DefinitionEditorWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void programWrittenInTheEditorSavesLoadsAndRuns() {
        AppFixture f;
        QVERIFY(f.WriteDefaultConfig());
        sim::Options options;
        options.defaultSpeed = 400000;
        auto simulator = f.StartSimulator("D3", options);
        QVERIFY(simulator);

        DialogAnswerer answers;
        QVERIFY(f.StartUp(answers));

        const QString file = f.dir.filePath("cycle.def");
        bool editorChecked = false;
        answers.Queue([&](QDialog& d) {
            auto* editor = qobject_cast<TDefinitionEditorDisplay*>(&d);
            QVERIFY(editor != nullptr);
            QCOMPARE(editor->windowTitle(),
                     QStringLiteral("VDWin Definition Editor - File: New Program"));
            for (int i = 0; i < 5; ++i) ClickButton(d, "AddButton");
            QListView* list = editor->List();
            QCOMPARE(list->model()->rowCount(), 5);
            // Insert above line 2: the new line is line 2 and line 3 is selected.
            list->setCurrentIndex(list->model()->index(1, 0));
            ClickButton(d, "InsertButton");
            QCOMPARE(list->currentIndex().row(), 2);
            QCOMPARE(list->model()->data(list->model()->index(1, 0)).toString(),
                     QStringLiteral("0002 - delay,5      ;settle"));
            QVERIFY(list->model()
                        ->data(list->model()->index(0, 0), Qt::FontRole)
                        .value<QFont>()
                        .bold());
            QVERIFY(!list->model()
                         ->data(list->model()->index(1, 0), Qt::FontRole)
                         .value<QFont>()
                         .bold());
            ClickButton(d, "SaveButton");
            QCOMPARE(editor->windowTitle(),
                     QStringLiteral("VDWin Definition Editor - File: cycle"));
            editorChecked = true;
            ClickButton(d, "OKButton");
        });
        answers.Queue(Choose("label"));
        answers.Queue(Fill("TfnLABEL", {{"IDC_EDIT8", "top"}}));
        answers.Queue(Choose("DBoard"));
        answers.Queue(Fill("TfnDBoard", {{"IDC_EDIT9", "3"}, {"IDC_EDIT8", "A1000"}}));
        answers.Queue(Choose("wait_DBoard_done"));
        answers.Queue(Fill("TfnWDBoardD", {{"IDC_EDIT9", "3"}, {"IDC_ADD_COMMENTS", "there"}}));
        answers.Queue(Choose("cloop"));
        answers.Queue([](QDialog& d) {
            QCOMPARE(d.objectName(), QStringLiteral("TfnCLOOP"));
            Type(d, {{"IDC_EDIT9", "2"}});
            QTest::mouseDClick(EditOf(d, "IDC_EDIT19"), Qt::LeftButton);  // the label picker
            QCOMPARE(EditOf(d, "IDC_EDIT19")->text(), QStringLiteral("top"));
            ClickButton(d, "OKButton");
        });
        answers.Queue([](QDialog& picker) {
            QCOMPARE(picker.objectName(), QStringLiteral("TfnLabelList"));
            QCOMPARE(picker.windowTitle(), QStringLiteral("Current Labels"));
            // The label added a moment ago is listed.
            auto* combo = picker.findChild<QComboBox*>(QStringLiteral("IDC_COMBOBOX1"));
            QCOMPARE(combo->count(), 2);
            QCOMPARE(combo->itemText(0), QStringLiteral("NextLine"));
            QCOMPARE(combo->itemText(1), QStringLiteral("top"));
            combo->setCurrentIndex(1);
            ClickButton(picker, "OKButton");
        });
        answers.Queue(Choose("end_program"));
        answers.Queue(Choose("delay"));  // the Insert
        answers.Queue(Fill("TfnDELAY", {{"IDC_EDIT9", "5"}, {"IDC_ADD_COMMENTS", "settle"}}));
        answers.Queue(ChooseFile(file));  // Save: SaveDialog1
        f.main.MenuAction("EditDefineFile1")->trigger();

        QVERIFY(editorChecked);
        QCOMPARE(answers.Pending(), 0);
        QVERIFY2(answers.Unexpected().isEmpty(), qPrintable(answers.Unexpected().join("; ")));
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("label,\"top\"      ;Program Label\r\n"
                                             "delay,5      ;settle\r\n"
                                             "DBoard,3,\"A1000\"      ;\r\n"
                                             "wait_DBoard_done,3,\"\"      ;there\r\n"
                                             "cloop,2,top      ;\r\n"
                                             "end_program      ;End of Program\r\n"));
        QCOMPARE(f.main.windowTitle(),
                 QStringLiteral("Vendra for Windows - Def. File Loaded: cycle"));

        // Loaded back through the menu and run with the Run button.
        answers.Queue(ChooseFile(file));
        f.main.MenuAction("LoadDefineFile1")->trigger();
        QCOMPARE(f.state.App.ProgramLoaded.load(), 1u);
        QCOMPARE(f.state.Program.LineCount, 6u);
        const size_t before = simulator->ReceivedFrames().size();
        QVERIFY(WaitFor([&] { return f.main.Control<QPushButton>("RunButton")->isEnabled(); }));
        QTest::mouseClick(f.main.Control<QPushButton>("RunButton"), Qt::LeftButton);
        QVERIFY(WaitFor(
            [&] {
                return f.state.Run.ProgramRunning.load() == 0 && !f.core.RunnerWorker.Running();
            },
            20000));
        QCOMPARE(f.state.Program.Lines[f.state.Run.ProgramPointer.load()].Command,
                 uint8_t{CmdEndProgram});
        std::vector<std::string> frames = simulator->ReceivedFrames();
        frames.erase(frames.begin(), frames.begin() + static_cast<long>(before));
        // Three passes (the count of 2 repeats the body twice): each a move, then status
        // queries until the motor is done.
        int moves = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            if (frames[i] != "D3A1000\r") continue;
            ++moves;
            QVERIFY(i + 1 < frames.size());
            QCOMPARE(frames[i + 1], std::string("D3\r"));
        }
        QCOMPARE(moves, 3);
        QVERIFY(answers.Unexpected().isEmpty());
    }

    void dialogWarnsWhileTypingAndRefusesWhatItCannotStore() {
        AppFixture f;
        QVERIFY(LoadProgramFromPath(f.state, f.op,
                                    WriteProgram(f,
                                                 "link_me,1,X,0,1,0,3,4,4\r\n"
                                                 "end_program\r\n")) == 1);
        TDefinitionEditorDisplay editor(DefinitionEditorStateOf(f.state), f.op, {});
        editor.show();
        QCOMPARE(editor.windowTitle(), QStringLiteral("VDWin Definition Editor - File: prog"));
        DialogAnswerer answers;
        bool checked = false;
        answers.Queue([&](QDialog& d) {
            QCOMPARE(d.objectName(), QStringLiteral("TfnLINKME"));
            QCOMPARE(d.windowTitle(), QStringLiteral("Motor / Quad. Enc. Link Dialog"));
            QCOMPARE(EditOf(d, "IDC_EDIT4")->text(), QStringLiteral("X"));
            answers.QueueMessageBoxButton(mb::IdOk);  // 16 is out of range
            Type(d, {{"IDC_EDIT3", "16"}});
            answers.QueueMessageBoxButton(mb::IdOk);  // Q is no motor of a link (warned, kept)
            Type(d, {{"IDC_EDIT4", "Q"}});
            // The line's 0 (no verification) opens with "Encoder Not Active" checked; "Encoder
            // Active" stores 1, which the runner verifies.
            auto* choice = d.findChild<RadioGroup*>(QStringLiteral("EncoderChoice"));
            QVERIFY(choice != nullptr);
            QCOMPARE(choice->ItemIndex(), 1);
            QCOMPARE(choice->Item(1)->text(), QStringLiteral("Encoder Not Active"));
            QCOMPARE(choice->Item(0)->text(), QStringLiteral("Encoder Active"));
            choice->Item(0)->click();
            Type(d, {{"IDC_ENCODER_RETRY", "seven"}});
            answers.QueueMessageBoxButton(mb::IdOk);  // refused: names the field
            ClickButton(d, "OKButton");
            QVERIFY(d.isVisible());
            Type(d, {{"IDC_ENCODER_RETRY", "7"}});
            EditOf(d, "IDC_COMMENTS")->setText(QStringLiteral("costs \u20ac5"));
            answers.QueueMessageBoxButton(mb::IdOk);  // not storable in an 8-bit file
            ClickButton(d, "OKButton");
            QVERIFY(d.isVisible());
            QCOMPARE(f.state.Program.Lines[0].Values[5], 3u);  // nothing stored yet
            EditOf(d, "IDC_COMMENTS")->setText(QStringLiteral("checked"));
            ClickButton(d, "OKButton");
            checked = true;
        });
        editor.List()->setCurrentIndex(editor.Model()->index(0));
        QTest::mouseClick(editor.findChild<QPushButton*>(QStringLiteral("EditButton")),
                          Qt::LeftButton);
        QVERIFY(checked);
        QCOMPARE(answers.Texts(),
                 (QStringList{QString(), "Input is out of range", "Input is out of range",
                              "Encoder Retry (0-255): \"seven\" is not a whole number that fits "
                              "in 32 bits.",
                              "Comments: the text holds characters a program file cannot store."}));
        QCOMPARE(editor.Model()->data(editor.Model()->index(0), Qt::DisplayRole).toString(),
                 QStringLiteral("0001 - link_me,16,Q,0,1,1,7,4,4      ;checked"));
        QCOMPARE(editor.List()->currentIndex().row(), 0);
        QVERIFY(answers.Unexpected().isEmpty());
    }

    // "Load File" cancelled in the open dialog leaves the program loaded and its unsaved change
    // pending: OK still offers the save dialog, and stays open when that is cancelled.
    void cancelledLoadKeepsTheProgramAndItsState() {
        AppFixture f;
        QVERIFY(LoadProgramFromPath(f.state, f.op, WriteProgram(f, "delay,5\r\nend_program\r\n")) ==
                1);
        DialogAnswerer answers;
        auto cancelOpen = [](QDialog& d) {
            QCOMPARE(d.objectName(), QStringLiteral("OpenDialog"));
            d.reject();
        };
        bool checked = false;
        answers.Queue([&](QDialog& d) {
            auto* editor = qobject_cast<TDefinitionEditorDisplay*>(&d);
            QVERIFY(editor != nullptr);
            editor->List()->setCurrentIndex(editor->Model()->index(0));
            ClickButton(d, "EditButton");
            answers.QueueMessageBoxButton(mb::IdYes);  // "Program NOT Saved! Continue?"
            answers.Queue(cancelOpen);
            editor->findChild<QAction*>(QStringLiteral("LoadFile1"))->trigger();
            QCOMPARE(f.state.App.ProgramLoaded.load(), 1u);
            QCOMPARE(editor->Model()->data(editor->Model()->index(0), Qt::DisplayRole).toString(),
                     QStringLiteral("0001 - delay,9      ;"));
            answers.Queue([](QDialog& save) {
                QCOMPARE(save.objectName(), QStringLiteral("SaveDialog1"));
                save.reject();
            });
            ClickButton(d, "OKButton");
            QVERIFY(d.isVisible());
            checked = true;
            ClickButton(d, "CancelButton");
        });
        answers.Queue(Fill("TfnDELAY", {{"IDC_EDIT9", "9"}}));
        f.main.MenuAction("EditDefineFile1")->trigger();
        QVERIFY(checked);
        QCOMPARE(answers.Pending(), 0);
        QVERIFY2(answers.Unexpected().isEmpty(), qPrintable(answers.Unexpected().join("; ")));
        QCOMPARE(answers.Texts().at(2), QStringLiteral("Program NOT Saved! Continue?"));
        QCOMPARE(f.state.App.ProgramLoaded.load(), 1u);
        QCOMPARE(f.state.Program.Lines[0].Values[0], 9u);
    }

    void printsEightyOneLinesAPage() {
        AppFixture f;
        QByteArray bytes;
        for (int i = 0; i < 199; ++i) bytes += "delay," + QByteArray::number(i + 1) + "\r\n";
        bytes += "end_program\r\n";
        QVERIFY(LoadProgramFromPath(f.state, f.op, WriteProgram(f, bytes)) == 1);
        TDefinitionEditorDisplay editor(DefinitionEditorStateOf(f.state), f.op, {});
        editor.show();
        QCOMPARE(editor.Model()->rowCount(), 200);
        PrintedListing printed;
        printed.Attach(editor.Printing);
        editor.List()->setCurrentIndex(editor.Model()->index(7));
        ClickButton(editor, "PrintButton");
        QCOMPARE(printed.docName, QStringLiteral("Definition File"));
        QCOMPARE(printed.rowsPerPage, 81u);
        QCOMPARE(printed.pages, (std::vector<uint32_t>{81, 81, 38}));
        // The lines as the list shows them.
        QCOMPARE(printed.lines.size(), 200);
        for (int row : {0, 80, 81, 199})
            QCOMPARE(printed.lines[row], editor.Model()->index(row).data().toString());
        QCOMPARE(printed.lines[0], QStringLiteral("0001 - delay,1      ;"));
        QCOMPARE(editor.List()->currentIndex().row(), 7);
    }

  private:
    static std::string WriteProgram(AppFixture& f, const QByteArray& bytes) {
        QFile file(f.dir.filePath("prog.def"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
        return file.fileName().toStdString();
    }
};

QTEST_MAIN(DefinitionEditorWindowTest)
#include "DefinitionEditorWindowTest.moc"
