// Names from outside shown as they are: every kind of box the desktop shows takes its text
// as plain text, so a file name that looks like markup ("<h1>", a link) is never a heading
// or a link; seen in the real boxes, from a journal left behind and from the command line.
#include "MainWindowFixture.h"
#include "ModalWindow.h"

#include "core/Crc32.h"
#include "core/JournalFile.h"
#include "core/JournalFormat.h"
#include "edit/JournalSession.h"
#include "widgets/QtDesktop.h"

#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

using namespace krelin;
using namespace krelin::testing;

namespace {

// A file name a browser would show as a heading and a link.
const QString MarkupName = QStringLiteral("<h1>Big<a href=x>link.nes");

// Empty when every label of the box that shows what holds `name` shows it as plain text.
QString shownAsMarkup(QWidget *box, const QString &name)
{
    int found = 0;
    for (const QLabel *label : box->findChildren<QLabel *>()) {
        if (!label->text().contains(name, Qt::CaseInsensitive))
            continue;
        ++found;
        if (label->textFormat() != Qt::PlainText)
            return QStringLiteral("shown as markup: ") + label->text();
    }
    return found ? QString() : QStringLiteral("no label shows the name");
}

// Checks the box that open() shows, then closes it with Escape.
void checkPlain(const std::function<void()> &open, const QString &name)
{
    QString problem = QStringLiteral("no box");
    WithModalWindow(open, [&](QWidget *box) {
        problem = shownAsMarkup(box, name);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

} // namespace

class TestPlainText : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir(JournalFolder()).removeRecursively(); }
    void everyBoxShowsPlainText_data();
    void everyBoxShowsPlainText();
    void nameFromAJournal();
    void nameFromTheCommandLine();
};

void TestPlainText::everyBoxShowsPlainText_data()
{
    QTest::addColumn<int>("box");
    int box = 0;
    for (const char *kind : {"message", "yes/no", "message with check", "yes/no with check", "text", "save changes",
                             "choice"})
        QTest::newRow(kind) << box++;
}

void TestPlainText::everyBoxShowsPlainText()
{
    QFETCH(int, box);
    QVERIFY(Qt::mightBeRichText(MarkupName)); // what Qt would take for markup
    const QString text = QStringLiteral("Cannot open %1: the file does not exist.").arg(MarkupName);
    QtDesktop desktop;
    QWidget parent;
    bool checked = false;
    const std::vector<std::function<void()>> boxes{
        [&] { desktop.showMessage(&parent, QStringLiteral("Krelin"), text, Desktop::Icon::Warning); },
        [&] { desktop.askYesNo(&parent, QStringLiteral("Krelin"), text); },
        [&] { desktop.showMessageWithCheck(&parent, QStringLiteral("Krelin"), text, QStringLiteral("Don't ask again"), &checked); },
        [&] { desktop.askYesNoWithCheck(&parent, QStringLiteral("Krelin"), text, QStringLiteral("Don't ask again"), &checked); },
        [&] { desktop.askText(&parent, QStringLiteral("Krelin"), text, QStringLiteral("x")); },
        [&] { desktop.askSaveChanges(&parent, QStringLiteral("Krelin"), text); },
        [&] { desktop.askChoice(&parent, QStringLiteral("Krelin"), text, {QStringLiteral("&Reload"), QStringLiteral("Cancel")}, 0, 1); },
    };
    checkPlain(boxes[std::size_t(box)], MarkupName);
}

// A journal whose file has such a name: the question about it shows the name as it is.
void TestPlainText::nameFromAJournal()
{
    MainWindowFixture<QtDesktop> w(false);
    const std::vector<std::uint8_t> base(16, 0x11);
    JournalWriter out(true);
    PutBegin(out, QStringLiteral("/tmp/roms/") + MarkupName, qint64(base.size()), Crc32(base), base);
    StepChanges changes;
    changes.runs.push_back({3, {0x11}, {0x22}});
    PutStep(out, false, QStringLiteral("Place Metatile"), changes);
    QVERIFY(QDir().mkpath(JournalFolder()));
    QFile file(QDir(JournalFolder()).filePath(QStringLiteral("4242-0000beef.journal")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(out.bytes().data()), qint64(out.bytes().size()));
    file.close();
    checkPlain([&] { w.window->OpenAtStart({}); }, MarkupName);
    QVERIFY(file.exists()); // Escape: Not Now
}

// A file named on the command line that cannot be opened: the message names it as it is.
void TestPlainText::nameFromTheCommandLine()
{
    MainWindowFixture<QtDesktop> w(false);
    checkPlain([&] { w.window->OpenAtStart(w.dir.filePath(MarkupName)); }, MarkupName);
}

QTEST_MAIN(TestPlainText)
#include "test_plaintext.moc"
