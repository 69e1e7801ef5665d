#include "RecoveryOffer.h"

#include "FileSession.h"
#include "core/Crc32.h"
#include "core/JournalFile.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/Journal.h"
#include "edit/JournalSession.h"
#include "widgets/Desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QWidget>

namespace krelin {

namespace {

enum Answer { Recover, Discard, NotNow };

QString shownName(const QString &path)
{
    return QFileInfo(path).fileName().toUpper();
}

QString question(const JournalSession &session, const QDateTime &lastWritten)
{
    const int edits = session.unsavedEdits();
    const QString what = session.path.isEmpty() ? QStringLiteral("An image without a name") : shownName(session.path);
    QString text = QStringLiteral("%1 has unsaved changes from a session that ended unexpectedly (%2 %3, %4). "
                                  "Recover them?")
                       .arg(what)
                       .arg(edits)
                       .arg(edits == 1 ? QStringLiteral("edit") : QStringLiteral("edits"))
                       .arg(QLocale().toString(lastWritten, QLocale::ShortFormat));
    if (session.cutShort)
        text += QStringLiteral("\n\nThe end of its journal is damaged: edits made after that point are lost.");
    return text;
}

// Whether the file at the session's path is still the one its work was done on.
bool fileUnchanged(const JournalSession &session)
{
    if (session.path.isEmpty() || session.fileSize < 0)
        return false;
    const RomReadResult file = ReadRomFile(session.path);
    return file.ok() && qint64(file.bytes.size()) == session.fileSize && Crc32(file.bytes) == session.fileCrc;
}

} // namespace

RecoveryOffer::RecoveryOffer(modKrelin &model, EditHistory &history, Desktop &desktop, FileSession &files,
                             Journal &journal, QWidget *window, const QString &journalFolder)
    : QObject(window)
    , model(model)
    , history(history)
    , desktop(desktop)
    , files(files)
    , journal(journal)
    , window(window)
    , folder(journalFolder)
{
    setObjectName(QStringLiteral("recoveryOffer"));
}

void RecoveryOffer::openAtStart(const QString &path)
{
    QString recovered;
    const bool any = offerLeftWork(&recovered);
    if (path.isEmpty() || files.isLeaving())
        return;
    // The work just recovered stays open: opening another file would first ask to save it
    // or let it go.
    if (!any) {
        files.OpenRom(path);
        return;
    }
    if (!IsSameFile(recovered, path))
        emit statusMessage(QStringLiteral("%1 was not opened, so that the recovered changes stay open: File > Open "
                                          "opens it.")
                               .arg(shownName(path)));
}

bool RecoveryOffer::offerLeftWork(QString *path)
{
    // Each stays locked until the end: no Krelin starting meanwhile offers the same work.
    std::vector<LeftJournal> left = ClaimLeftJournals(folder);
    for (LeftJournal &journalLeft : left) {
        if (files.isLeaving()) // the program was asked to end meanwhile
            break;
        const JournalSession session = ReadJournal(journalLeft.read());
        // Ended after a save, or before anything could be written: nothing to give back.
        if (!session.hasUnsavedWork()) {
            journalLeft.remove();
            continue;
        }
        const int answer = desktop.askChoice(window, ProgramCaption(), question(session, journalLeft.lastWritten()),
                                             {QStringLiteral("&Recover"), QStringLiteral("&Discard"),
                                              QStringLiteral("&Not Now")},
                                             Recover, NotNow);
        if (answer == NotNow)
            continue;
        if (answer == Recover) {
            const QString file = recover(session);
            journalLeft.remove();
            if (path)
                *path = file;
            return true;
        }
        journalLeft.remove();
    }
    return false;
}

QString RecoveryOffer::recover(const JournalSession &session)
{
    // The work goes back onto the file only if the file is still the one it was done on.
    bool atFile = fileUnchanged(session) && files.OpenRom(session.path);
    atFile = atFile && model.romSize() == session.fileSize && Crc32(model.image()) == session.fileCrc;
    if (!atFile)
        model.setRomFileName(QString());
    RestoreJournal(history, session, atFile);
    // A crash before the work is saved gives it back the same way again.
    journal.follow(session.path, session.fileSize, session.fileCrc);
    if (atFile || session.path.isEmpty())
        return atFile ? model.RomFileName : QString();
    const QString where = QDir::toNativeSeparators(session.path);
    emit warning((QFileInfo::exists(session.path)
                      ? QStringLiteral("%1 was changed on disk after the session that ended unexpectedly, so its "
                                       "unsaved changes cannot be put back on it.")
                      : QStringLiteral("%1 is no longer there."))
                     .arg(where)
                 + QStringLiteral(" The recovered image is open as a new image without a name: Save As stores it "
                                  "where you want."));
    return {};
}

} // namespace krelin
