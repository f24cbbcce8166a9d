// The shared dialogs: baud rate, board type and address, and the message box's flags and results.
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/app/SystemState.h"
#include "support/DialogAnswerer.h"
#include "ui/app/BaudrateSelectDialog.h"
#include "ui/app/BoardSelectDialogs.h"
#include "ui/app/MessageBox.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/RadioGroup.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::DialogAnswerer;

namespace {

RadioGroup* GroupOf(QDialog& d, const char* name) {
    return d.findChild<RadioGroup*>(QLatin1String(name));
}

// Opens the baud dialog with CurrentBaud = `current`; `answer` acts on it; returns the item the
// dialog selected on activation.
int RunBaudDialog(SystemState& state, uint32_t current, std::function<void(QDialog&)> answer) {
    state.Serial.CurrentBaud = current;
    int shown = -2;
    DialogAnswerer answerer;
    answerer.Queue([&](QDialog& d) {
        shown = GroupOf(d, "BaudrateRadioGroup")->ItemIndex();
        answer(d);
    });
    TBaudrateSelectDialog dialog(state);
    ExecModal(dialog);
    return shown;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void baudDialogActivationSelectsCurrentRate_data() {
        QTest::addColumn<uint>("baud");
        QTest::addColumn<int>("item");
        QTest::newRow("460800") << 460800u << 0;
        QTest::newRow("9600") << 9600u << 6;
        QTest::newRow("no comm") << 0u << 7;
        QTest::newRow("unlisted keeps 57600") << 14400u << 3;
    }
    void baudDialogActivationSelectsCurrentRate() {
        QFETCH(uint, baud);
        QFETCH(int, item);
        SystemState state;
        const int shown = RunBaudDialog(state, baud, [](QDialog& d) { d.reject(); });
        QCOMPARE(shown, item);
        QCOMPARE(state.Serial.CurrentBaud.load(), baud);  // closed without OK: unchanged
    }

    void baudDialogOkStoresChosenRate() {
        const uint32_t expected[] = {460800, 230400, 115200, 57600, 38400, 19200, 9600, 0};
        for (int item = 0; item < 8; ++item) {
            SystemState state;
            RunBaudDialog(state, 57600, [item](QDialog& d) {
                GroupOf(d, "BaudrateRadioGroup")->Item(item)->click();
                test::ClickButton(d, "BaudrateOK");
            });
            QCOMPARE(state.Serial.CurrentBaud.load(), expected[item]);
        }
        // An unlisted rate confirmed as shown becomes 57600.
        SystemState state;
        RunBaudDialog(state, 1234, [](QDialog& d) { test::ClickButton(d, "BaudrateOK"); });
        QCOMPARE(state.Serial.CurrentBaud.load(), 57600u);
    }

    void boardDialogsShowAndStoreTheChoice() {
        DialogAnswerer answerer;
        int shownType = -1, shownAddress = -1;
        answerer.Queue([&](QDialog& d) {
            QCOMPARE(GroupOf(d, "BoardType")->Item(7)->text(), QStringLiteral("QBoard"));
            shownType = GroupOf(d, "BoardType")->ItemIndex();
            GroupOf(d, "BoardType")->Item(6)->click();
            test::ClickButton(d, "OKButton");
        });
        answerer.Queue([&](QDialog& d) {
            QCOMPARE(GroupOf(d, "BoardAddress")->Item(15)->text(), QStringLiteral("Board #15"));
            shownAddress = GroupOf(d, "BoardAddress")->ItemIndex();
            GroupOf(d, "BoardAddress")->Item(11)->click();
            test::ClickButton(d, "OKButton");
        });
        uint8_t family = 4, address = 9;
        QVERIFY(AskBoardTypeDialog(nullptr, family));
        QVERIFY(AskBoardAddressDialog(nullptr, address));
        QCOMPARE(shownType, 4);
        QCOMPARE(family, uint8_t(6));
        QCOMPARE(shownAddress, 9);
        QCOMPARE(address, uint8_t(11));

        answerer.Queue([](QDialog& d) {
            GroupOf(d, "BoardType")->Item(1)->click();
            test::ClickButton(d, "CancelButton");
        });
        QVERIFY(!AskBoardTypeDialog(nullptr, family));
        QCOMPARE(family, uint8_t(6));  // Cancel keeps the caller's value
    }

    void messageBoxButtonsIconsAndResults_data() {
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("icon");
        QTest::newRow("yes/no warning")
            << 52u << QStringList{"Yes", "No"} << int(QMessageBox::Warning);
        QTest::newRow("stop system-modal")
            << 0x1010u << QStringList{"OK"} << int(QMessageBox::Critical);
        QTest::newRow("abort/retry/ignore question")
            << 0x22u << QStringList{"Abort", "Retry", "Ignore"} << int(QMessageBox::Question);
        QTest::newRow("yes/no/cancel info")
            << 0x43u << QStringList{"Yes", "No", "Cancel"} << int(QMessageBox::Information);
        QTest::newRow("ok/cancel") << 1u << QStringList{"OK", "Cancel"} << int(QMessageBox::NoIcon);
        QTest::newRow("retry/cancel")
            << 5u << QStringList{"Retry", "Cancel"} << int(QMessageBox::NoIcon);
    }
    void messageBoxButtonsIconsAndResults() {
        QFETCH(uint, flags);
        QFETCH(QStringList, buttons);
        QFETCH(int, icon);
        static const QMap<QString, int> kCode = {{"OK", 1},    {"Cancel", 2}, {"Abort", 3},
                                                 {"Retry", 4}, {"Ignore", 5}, {"Yes", 6},
                                                 {"No", 7}};
        for (const QString& press : buttons) {
            DialogAnswerer answerer;
            QStringList seen;
            answerer.Queue([&](QDialog& d) {
                auto& box = static_cast<QMessageBox&>(d);
                QCOMPARE(int(box.icon()), icon);
                QCOMPARE(bool(box.windowFlags() & Qt::WindowStaysOnTopHint), bool(flags & 0x1000));
                for (QAbstractButton* b : box.buttons()) seen << b->text().remove('&');
                for (QAbstractButton* b : box.buttons())
                    if (b->text().remove('&') == press) b->click();
            });
            QCOMPARE(ClassicMessageBox(nullptr, "Text", "Title", flags), kCode[press]);
            seen.sort();
            QStringList expected = buttons;
            expected.sort();
            QCOMPARE(seen, expected);
        }
    }

    // A CR is a line break in every box, alone or before a LF (texts written for a CR-LF world).
    void messageBoxCarriageReturnBreaksTheLine() {
        const struct {
            const char* text;
            const char* shown;
        } rows[] = {{"Found a Communcation Test Error Reponse\r    Host: 0, Board: 1 ",
                     "Found a Communcation Test Error Reponse\n    Host: 0, Board: 1 "},
                    {"one\r\ntwo\rthree\nfour\r", "one\ntwo\nthree\nfour\n"},
                    {"\r\r", "\n\n"},
                    {"<Q0> lost\rnext", "<Q0> lost\nnext"}};
        for (const auto& row : rows) {
            DialogAnswerer answerer;
            QString shown;
            answerer.Queue([&](QDialog& d) {
                shown = static_cast<QMessageBox&>(d).text();
                QCOMPARE(static_cast<QMessageBox&>(d).textFormat(), Qt::PlainText);
                static_cast<QMessageBox&>(d).button(QMessageBox::Ok)->click();
            });
            QCOMPARE(ClassicMessageBox(nullptr, row.text, "Communication Error", 0x1010), 1);
            QCOMPARE(shown, QString(row.shown));
        }
    }

    // Escape and the close box answer only a box that has a declining button (Cancel), or OK
    // alone. Yes/No and Abort/Retry/Ignore boxes close only by one of their buttons: a question
    // the operator did not answer must not take a branch for them.
    void messageBoxEscapeAndCloseBox() {
        struct Case {
            unsigned flags;
            int escape;          // the result of Escape; 0: Escape and the close box do nothing
            const char* button;  // for boxes that stay open: the button pressed then
            int buttonCode;
        };
        const Case cases[] = {{0x30, mb::IdOk, nullptr, 0},  {1, mb::IdCancel, nullptr, 0},
                              {3, mb::IdCancel, nullptr, 0}, {5, mb::IdCancel, nullptr, 0},
                              {4, 0, "No", mb::IdNo},        {0x34, 0, "Yes", mb::IdYes},
                              {2, 0, "Abort", mb::IdAbort},  {0x22, 0, "Ignore", mb::IdIgnore}};
        for (const Case& c : cases) {
            for (bool closeBox : {false, true}) {
                DialogAnswerer answerer;
                bool stayedOpen = false, hasCloseButton = true;
                answerer.Queue([&](QDialog& d) {
                    hasCloseButton = d.windowFlags().testFlag(Qt::WindowCloseButtonHint);
                    if (closeBox)
                        d.close();
                    else
                        QTest::keyClick(&d, Qt::Key_Escape);
                    QCoreApplication::processEvents();
                    stayedOpen = d.isVisible();
                    if (!stayedOpen) return;
                    for (QAbstractButton* b : static_cast<QMessageBox&>(d).buttons())
                        if (b->text().remove('&') == QLatin1String(c.button)) b->click();
                });
                const int result = ClassicMessageBox(nullptr, "t", "T", c.flags);
                const QByteArray what =
                    QByteArray::number(c.flags, 16) + (closeBox ? " close box" : " Escape");
                QVERIFY2(stayedOpen == (c.escape == 0), what.constData());
                QVERIFY2(hasCloseButton == (c.escape != 0), what.constData());
                QCOMPARE(result, c.escape != 0 ? c.escape : c.buttonCode);
                QVERIFY2(answerer.Unexpected().isEmpty(), what.constData());
            }
        }
        // A box that cannot be shown (the program is ending) still gets the declining answer.
        const std::pair<unsigned, int> declining[] = {{0x30, 1}, {1, 2}, {4, 7},
                                                      {3, 2},    {5, 2}, {2, 3}};
        for (auto [flags, code] : declining) QCOMPARE(DecliningAnswer(flags), code);
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
