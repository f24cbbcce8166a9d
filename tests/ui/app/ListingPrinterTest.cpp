// The listing printer on a machine without a printer: the listing goes to the PDF file the
// operator names, in full pages and a last one with the rest, and the operator is told where; a
// cancelled file question prints nothing, and a file that cannot be written is reported.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <numeric>

#include "support/ScriptedOperator.h"
#include "ui/app/ListingPrinter.h"

using namespace vendra;
using namespace vendra::ui;

namespace {

// The pages of a PDF file Qt wrote.
int PdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = f.readAll();
    return int(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"));
}

const char* const kPrinted =
    "No printer is installed on this machine.\nThe list was printed to the PDF file ";

}  // namespace

class ListingPrinterTest : public QObject {
    Q_OBJECT
  private slots:
    void printsToTheNamedPdfWithoutAPrinter() {
        const struct {
            uint32_t lines, rowsPerPage;
            const char* answer;  // the file the operator names ("" = cancelled)
            const char* file;    // the PDF file as completed
            uint32_t pages;      // the result, and the pages of the file written
            const char* box;     // the message before the file's path (null: none)
            const char* title;
        } cases[] = {
            {163, 81, "listing", "listing.pdf", 3, kPrinted, "VDWin Message"},
            {81, 81, "full", "full.pdf", 1, kPrinted, "VDWin Message"},
            {82, 81, "rest", "rest.pdf", 2, kPrinted, "VDWin Message"},
            {10, 3, "small.PDF", "small.PDF", 4, kPrinted, "VDWin Message"},
            {5, 81, "", "", 0, nullptr, nullptr},
            {5, 81, "no/such/folder/x", "no/such/folder/x.pdf", 0, "Can not write the PDF file ",
             "VDWin Error Message"},
            {0, 81, "never", "", 0, nullptr, nullptr},  // nothing to print: nothing asked
        };
        for (const auto& c : cases) {
            QTemporaryDir dir;
            vendra::test::ScriptedOperator op;
            int asked = 0;
            PrintTarget target;
            target.PrinterAvailable = [] { return false; };
            target.AskPdfFileName = [&] {
                ++asked;
                return *c.answer ? dir.filePath(c.answer) : QString();
            };
            std::vector<uint32_t> drawn;
            const uint32_t pages = PrintListing(
                op, QStringLiteral("Listing"), c.lines, c.rowsPerPage,
                [&](uint32_t i) {
                    drawn.push_back(i);
                    return QStringLiteral("line %1").arg(i);
                },
                target);
            QCOMPARE(pages, c.pages);
            QCOMPARE(asked, c.lines > 0 ? 1 : 0);
            // Every line once, in order, when printed.
            std::vector<uint32_t> all(pages > 0 ? c.lines : 0);
            std::iota(all.begin(), all.end(), 0u);
            QCOMPARE(drawn, all);
            const QString path = dir.filePath(QLatin1String(c.file));
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     pages > 0 ? QStringList{QLatin1String(c.file)} : QStringList());
            if (pages > 0) QCOMPARE(PdfPages(path), int(c.pages));
            const auto boxes = op.Boxes();
            QCOMPARE(boxes.size(), size_t(c.box ? 1 : 0));
            if (c.box) {
                QCOMPARE(boxes[0].text, c.box + path.toStdString());
                QCOMPARE(boxes[0].title, std::string(c.title));
            }
        }
    }
};

QTEST_MAIN(ListingPrinterTest)
#include "ListingPrinterTest.moc"
