// Edit > Preferences as the user meets it: a key given to an action there works at once
// and after a restart, a key another action has is refused by name, the backups kept
// follow the count chosen, and settings that cannot be read are told once and replaced by
// their defaults; a settings file that cannot be read whole is never written, and one
// that is not a file at all never holds the start up.
#include "Bytes.h"
#include "ScriptedDesktop.h"
#include "TestFolders.h"
#include "support/WindowControls.h"

#include "core/BackupStore.h"
#include "core/SettingsFile.h"
#include "core/modKrelin.h"
#include "edit/ByteEditCommand.h"
#include "edit/EditHistory.h"
#include "ui/KeyboardShortcuts.h"
#include "ui/PreferencesDialog.h"
#include "ui/frmKrelin.h"

#include <QApplication>
#include <QFile>
#include <QKeySequenceEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>

#include <csignal>
#include <memory>
#include <unistd.h>

using namespace krelin;
using namespace krelin::testing;

namespace {

// A main window on a copy of the sample with a settings file of the test's own, which a
// restart reads again.
struct Session
{
    QTemporaryDir dir;
    QString romPath = dir.filePath(QStringLiteral("game.nes"));
    QString settingsPath = dir.filePath(QStringLiteral("krelin.conf"));
    modKrelin model;
    ScriptedDesktop desktop;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<frmKrelin> window;

    Session()
    {
        QFile::copy(RuntimeFolder() + QStringLiteral("/sample.nes"), romPath);
        QFile::setPermissions(romPath, QFile::ReadOwner | QFile::WriteOwner);
    }
    void start()
    {
        window.reset();
        settings = std::make_unique<SettingsFile>(settingsPath);
        window = std::make_unique<frmKrelin>(model, desktop, RuntimeFolder(), settings.get());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->OpenRom(romPath));
        window->activateWindow();
        QTest::qWait(20); // warnings kept for the window's first showing come now
    }
    void activate()
    {
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
    }
    void edit(std::uint8_t value)
    {
        QVERIFY(Controls(window).history().push(new ByteEditCommand(model, 0x100, {value}, QStringLiteral("Edit"))));
    }
    int byteOnDisk() const { return std::uint8_t(ReadFile(romPath).at(0x100)); }

    QWidget *tileEditor()
    {
        Controls(window).mnuEdit_Level_Click(0);
        Controls(window).mnuTileEditor->trigger();
        return window->findChild<QWidget *>(QStringLiteral("frmTileEditor"));
    }
    PreferencesDialog *openPreferences()
    {
        Controls(window).mnuPreferences->trigger();
        return window->findChild<PreferencesDialog *>();
    }
    // The first key found on two actions that may not share one, or an empty text.
    QString sharedKey()
    {
        const auto *shortcuts = window->findChild<KeyboardShortcuts *>(QStringLiteral("keyboardShortcuts"));
        for (const KeyboardShortcuts::Entry &entry : shortcuts->entries())
            for (const QKeySequence &key : entry.keys)
                if (const KeyboardShortcuts::Entry *other = shortcuts->holderOf(key, entry))
                    return key.toString() + QStringLiteral(": ") + entry.name + QStringLiteral(", ") + other->name;
        return {};
    }
};

// True once the process has a handler of its own for sig: the program is up and answers.
bool CatchesSignal(qint64 pid, int sig)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (sig - 1)) & 1;
    return false;
}

QTreeWidgetItem *row(PreferencesDialog *dialog, const QString &name)
{
    const QList<QTreeWidgetItem *> found = dialog->lstShortcuts->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

// Types key into the key editor for the action named name, as the user would.
void typeKey(PreferencesDialog *dialog, const QString &name, const QKeySequence &key)
{
    QTreeWidgetItem *item = row(dialog, name);
    QVERIFY2(item, qPrintable(name));
    dialog->lstShortcuts->setCurrentItem(item);
    QSignalSpy finished(dialog->keyEditor, &QKeySequenceEdit::editingFinished);
    dialog->keyEditor->setFocus();
    QTest::keyClick(dialog->keyEditor, key[0].key(), key[0].keyboardModifiers());
    QVERIFY(finished.wait(3000));
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void keyWorksAtOnceAndAfterRestart()
    {
        Session s;
        s.start();
        const QKeySequence saveKey(Qt::CTRL | Qt::SHIFT | Qt::Key_W);
        PreferencesDialog *dialog = s.openPreferences();
        QVERIFY(dialog);
        typeKey(dialog, QStringLiteral("Save"), saveKey);
        typeKey(dialog, QStringLiteral("Flip Horizontally"), QKeySequence(Qt::Key_X));
        typeKey(dialog, QStringLiteral("Fill"), QKeySequence(Qt::Key_K));
        QCOMPARE(row(dialog, QStringLiteral("Save"))->text(2), saveKey.toString(QKeySequence::NativeText));
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);

        // At once: the new key saves, the old one no longer does; a tool-tip names the new key.
        QCOMPARE(Controls(s.window).named<QAction>("mnuSaveRom")->shortcut(), saveKey);
        QVERIFY(Controls(s.window).named<QAction>("mnuToolFill")->toolTip().endsWith(QStringLiteral("same metatile (K)")));
        s.activate();
        s.edit(0x11);
        QTest::keyClick(s.window.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(s.byteOnDisk() != 0x11);
        QTest::keyClick(s.window.get(), Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.byteOnDisk(), 0x11);

        // After a restart, read back from the settings.
        s.start();
        QCOMPARE(Controls(s.window).named<QAction>("mnuSaveRom")->shortcut(), saveKey);
        s.activate();
        s.edit(0x22);
        QTest::keyClick(s.window.get(), Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.byteOnDisk(), 0x22);
        QVERIFY(s.desktop.messages.isEmpty());
        QCOMPARE(s.tileEditor()->findChild<QAction *>(QStringLiteral("mnuFlipHorizontally"))->shortcut(),
                 QKeySequence(Qt::Key_X));

        // Restore Defaults gives Save its key back and keeps no choice of keys.
        dialog = s.openPreferences();
        QTest::mouseClick(dialog->cmdRestoreDefaults, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(Controls(s.window).named<QAction>("mnuSaveRom")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(s.tileEditor()->findChild<QAction *>(QStringLiteral("mnuFlipHorizontally"))->shortcut(),
                 QKeySequence(Qt::Key_H)); // an open tool window follows at once
        s.settings->sync();
        QVERIFY(!s.settings->childGroups().contains(QStringLiteral("shortcuts")));
    }

    // Keys typed in order into one dialog; the last is refused with the message given, or
    // taken when there is none. What another row was given in the same dialog counts, and a
    // tool window's keys clash with its own and with the keys that work everywhere.
    void keyOfAnotherActionRefused_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QList<QKeySequence>>("keys");
        QTest::addColumn<QString>("refusal");
        const QKeySequence ctrlS(Qt::CTRL | Qt::Key_S), ctrlY(Qt::CTRL | Qt::Key_Y), f9(Qt::Key_F9);
        QTest::newRow("a menu's key") << QStringList{"Open"} << QList{ctrlS} << "Ctrl+S is already the key of Save.";
        QTest::newRow("a second key") << QStringList{"Undo"} << QList{ctrlY} << "Ctrl+Y is already the key of Redo.";
        QTest::newRow("given in the dialog") << QStringList{"Open", "Save As"} << QList{f9, f9}
                                             << "F9 is already the key of Open.";
        QTest::newRow("a free key") << QStringList{"Open"} << QList{f9} << QString();
        QTest::newRow("in the tile editor") << QStringList{"Flip Horizontally"} << QList{QKeySequence(Qt::Key_V)}
                                            << "V is already the key of Flip Vertically.";
        QTest::newRow("a key of every window") << QStringList{"Copy Tile"} << QList{ctrlS}
                                               << "Ctrl+S is already the key of Save.";
        QTest::newRow("another window's") << QStringList{"Rotate a Quarter Turn"} << QList{QKeySequence(Qt::Key_F)}
                                          << QString(); // Fill's, in the main window only
        QTest::newRow("a player's button") << QStringList{"Start"} << QList{QKeySequence(Qt::Key_P)}
                                           << "P is already the key of Pause.";
        QTest::newRow("a button, a key of every window") << QStringList{"B"} << QList{QKeySequence(Qt::Key_F6)}
                                                         << "F6 is already the key of Play.";
        QTest::newRow("the player, another window's") << QStringList{"Pause"} << QList{QKeySequence(Qt::Key_F)}
                                                      << QString();
    }

    // A controller button's key is a key alone: a modifier held with it is dropped, and a
    // modifier key alone (Shift, as Select has at first) is a key of its own.
    void controllerKeysAreKeysAlone()
    {
        Session s;
        s.start();
        PreferencesDialog *dialog = s.openPreferences();
        typeKey(dialog, QStringLiteral("A"), QKeySequence(Qt::SHIFT | Qt::Key_C));
        QCOMPARE(row(dialog, QStringLiteral("A"))->text(2), QStringLiteral("C"));
        QCOMPARE(row(dialog, QStringLiteral("A"))->text(1), QStringLiteral("Player ▸ Controller"));
        dialog->lstShortcuts->setCurrentItem(row(dialog, QStringLiteral("Start")));
        dialog->keyEditor->setFocus();
        QTest::keyClick(dialog->keyEditor, Qt::Key_Control);
        QCOMPARE(row(dialog, QStringLiteral("Start"))->text(2), QKeySequence(Qt::Key_Control).toString(QKeySequence::NativeText));
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(QKeySequence::fromString(s.settings->value(QStringLiteral("shortcuts/btnStart")).toString(),
                                          QKeySequence::PortableText),
                 QKeySequence(Qt::Key_Control));
        QCOMPARE(s.settings->value(QStringLiteral("shortcuts/btnA")).toString(), QStringLiteral("C"));
    }
    void keyOfAnotherActionRefused()
    {
        QFETCH(QStringList, actions);
        QFETCH(QList<QKeySequence>, keys);
        QFETCH(QString, refusal);
        Session s;
        s.start();
        PreferencesDialog *dialog = s.openPreferences();
        const QString before = row(dialog, actions.last())->text(2);
        for (int i = 0; i < actions.size(); ++i)
            typeKey(dialog, actions[i], keys[i]);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        dialog = s.openPreferences();
        const QString after = row(dialog, actions.last())->text(2);
        if (refusal.isEmpty()) {
            QVERIFY(s.desktop.messages.isEmpty());
            QCOMPARE(after, keys.last().toString(QKeySequence::NativeText));
            return;
        }
        QCOMPARE(s.desktop.messages.size(), 1);
        QCOMPARE(s.desktop.messages[0].text, refusal);
        QCOMPARE(after, before);
    }

    void backupsKeptAsChosen()
    {
        Session s;
        s.start();
        PreferencesDialog *dialog = s.openPreferences();
        dialog->spnBackupsKept->setValue(2);
        QTest::mouseClick(dialog->cmdApply, Qt::LeftButton);
        dialog->reject();
        for (int i = 0; i < 4; ++i) {
            s.edit(std::uint8_t(i + 1));
            QVERIFY(Controls(s.window).mnuSaveRom_Click());
            QTest::qWait(2); // copies are named after the moment
        }
        int ofGame = 0;
        for (const Backup &b : BackupStore().list())
            ofGame += QFileInfo(b.originalPath) == QFileInfo(s.romPath);
        QCOMPARE(ofGame, 2);
        s.start();
        QCOMPARE(s.openPreferences()->spnBackupsKept->value(), 2);
    }

    void unreadableSettingsToldOnce_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("unreadable");
        QTest::addColumn<QString>("told");
        QTest::newRow("values") << QByteArray("[backups]\nkept=lots\n[shortcuts]\nmnuSaveRom=Ctrl+Frob\n"
                                              "[notices]\ntileEditorRefresh=maybe\n")
                                << false << "could not be read: backups/kept, notices/tileEditorRefresh, "
                                            "shortcuts/mnuSaveRom. Their defaults are used in their place.";
        QTest::newRow("a key taken twice") << QByteArray("[shortcuts]\nmnuOpenRom=Ctrl+S\n") << false
                                           << "could not be read: shortcuts/mnuOpenRom.";
        QTest::newRow("keys swapped") << QByteArray("[shortcuts]\nmnuOpenRom=Ctrl+S\nmnuSaveRom=Ctrl+O\n") << false
                                      << QString(); // read as they are
        QTest::newRow("the file") << QByteArray("[backups]\nkept=3\n") << true << "cannot be read: permission denied.";
        // The first refused gets its own key back, which the second had taken meanwhile.
        QTest::newRow("a key given back") << QByteArray("[shortcuts]\nmnuNextDifference=F3\nmnuEdit_Level_2B=F7\n")
                                          << false
                                          << "could not be read: shortcuts/mnuEdit_Level_2B, shortcuts/mnuNextDifference.";
    }
    void unreadableSettingsToldOnce()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, unreadable);
        QFETCH(QString, told);
        if (unreadable && ::geteuid() == 0)
            QSKIP("root reads every file");
        Session s;
        QVERIFY(WriteFile(s.settingsPath, contents));
        if (unreadable)
            QFile::setPermissions(s.settingsPath, {});
        s.start();
        if (told.isEmpty()) {
            QTest::qWait(50);
            QVERIFY(s.desktop.messages.isEmpty());
            QCOMPARE(Controls(s.window).named<QAction>("mnuOpenRom")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
            QCOMPARE(Controls(s.window).named<QAction>("mnuSaveRom")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
            return;
        }
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        QVERIFY2(s.desktop.messages[0].text.contains(told), qPrintable(s.desktop.messages[0].text));
        QCOMPARE(s.sharedKey(), QString());
        QVERIFY(s.desktop.messages[0].text.contains(s.settingsPath));
        QCOMPARE(Controls(s.window).named<QAction>("mnuSaveRom")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(Controls(s.window).named<QAction>("mnuOpenRom")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(s.openPreferences()->spnBackupsKept->value(), BackupStore::DefaultKept);
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 1);
        if (unreadable) { // the user's file is left as it was
            QFile::setPermissions(s.settingsPath, QFile::ReadOwner | QFile::WriteOwner);
            QCOMPARE(ReadFile(s.settingsPath), contents);
        }
    }

    // Keys refused at start stay out of the settings once the user has said OK: Restore
    // Defaults leaves no line of its own, and the next start says nothing.
    void refusedKeysGoWithRestoreDefaults()
    {
        Session s;
        QVERIFY(WriteFile(s.settingsPath, "[shortcuts]\nmnuOpenRom=Ctrl+S\nmnuSaveRomAs=Ctrl+Frob\nmnuGone=F2\n"
                                          "[backups]\nkept=4\n"));
        s.start();
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        PreferencesDialog *dialog = s.openPreferences();
        QTest::mouseClick(dialog->cmdRestoreDefaults, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        const QByteArray kept = ReadFile(s.settingsPath);
        QVERIFY2(!kept.contains("shortcuts") && !kept.contains("Ctrl") && kept.contains("kept=4"), kept.constData());
        s.desktop.clearLog();
        s.start();
        QTest::qWait(50);
        QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));
    }

    // A settings file the program cannot read whole is said once, what could be read of it
    // is used, and it is never written: changes last until the program ends.
    void settingsFileLeftAsItIs_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: a folder in the file's place
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("backupsKept");
        const QByteArray start("[backups]\nkept=3\n; the user's own note\n");
        QTest::newRow("a quote left open") << start + "[shortcuts]\nmnuSaveRom=\"Ctrl+W\nmnuOpenRom=Ctrl+O\n"
                                           << "cannot be read whole: line 5 opens a quote (\") that it does not close." << 3;
        QTest::newRow("a section left open") << start + "[shortcuts\nmnuSaveRom=Ctrl+W\n"
                                             << "cannot be read whole: line 4 opens a section name" << 3;
        QTest::newRow("a line without =") << start + "[notices]\ntileEditorRefresh\n"
                                          << "cannot be read whole: line 5 is not of the form name=value." << 3;
        QTest::newRow("too large") << start + QByteArray(SettingsFile::MostBytes, ';') << "larger than 4 MiB"
                                   << BackupStore::DefaultKept;
        QTest::newRow("a folder") << QByteArray() << "is a folder, not an ordinary file, so Krelin does not use it."
                                  << BackupStore::DefaultKept;
    }
    void settingsFileLeftAsItIs()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, told);
        QFETCH(int, backupsKept);
        Session s;
        if (contents.isEmpty())
            QVERIFY(QDir().mkpath(s.settingsPath));
        else
            QVERIFY(WriteFile(s.settingsPath, contents));
        s.start(); // the file opened joins the recent files
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        const QString text = s.desktop.messages[0].text;
        QVERIFY2(text.contains(told) && text.contains(s.settingsPath)
                     && text.contains(QStringLiteral("the file is left as it is")),
                 qPrintable(text));
        PreferencesDialog *dialog = s.openPreferences();
        QCOMPARE(dialog->spnBackupsKept->value(), backupsKept);
        dialog->spnBackupsKept->setValue(7);
        typeKey(dialog, QStringLiteral("Save"), QKeySequence(Qt::Key_F8));
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(Controls(s.window).named<QAction>("mnuSaveRom")->shortcut(), QKeySequence(Qt::Key_F8));
        QCOMPARE(s.openPreferences()->spnBackupsKept->value(), 7);
        s.window.reset();
        s.settings.reset();
        if (contents.isEmpty())
            QVERIFY(QFileInfo(s.settingsPath).isDir() && QDir(s.settingsPath).isEmpty());
        else
            QVERIFY(ReadFile(s.settingsPath) == contents);
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"game.nes", "krelin.conf"}));
    }

    // A named pipe in the settings file's place is named and left alone: the real program
    // starts, says so, and ends when asked, never waiting for a writer.
    void namedPipeNeverWaitedOn()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("config/krelin/krelin.conf"));
        QVERIFY(QDir().mkpath(QFileInfo(fifo).path()) && QDir().mkpath(dir.filePath(QStringLiteral("runtime"))));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"CONFIG", "STATE", "DATA"})
            environment.insert(QStringLiteral("XDG_%1_HOME").arg(QLatin1String(name)),
                               dir.filePath(QString::fromLatin1(name).toLower()));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KRELIN_EXECUTABLE), QStringList());
        QVERIFY(program.waitForStarted());
        const auto stop = qScopeGuard([&program] {
            program.kill();
            program.waitForFinished(5000);
        });
        QTRY_VERIFY_WITH_TIMEOUT(CatchesSignal(program.processId(), SIGTERM), 20000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY2(program.waitForFinished(30000), "the program did not end");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString said = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("The settings file %1 is a named pipe, not an ordinary file").arg(fifo)),
                 qPrintable(said));
        struct stat info{};
        QVERIFY(::lstat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    }
};

QTEST_MAIN(TestPreferences)
#include "test_preferences.moc"
