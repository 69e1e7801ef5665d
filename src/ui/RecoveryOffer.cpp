#include "RecoveryOffer.h"

#include "FileSession.h"
#include "LeftWork.h"
#include "RecoveryDialog.h"
#include "core/Crc32.h"
#include "core/JournalFile.h"
#include "core/JournalFormat.h"
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
#include <QWidget>

namespace krelin {

namespace {

enum Answer { Recover, Discard, NotNow };

// Whether the file at the session's path is still the one its work was done on.
bool fileUnchanged(const JournalSession &session)
{
    if (session.path.isEmpty() || session.fileSize < 0)
        return false;
    const RomReadResult file = ReadRomFile(session.path);
    return file.ok() && qint64(file.bytes.size()) == session.fileSize && Crc32(file.bytes) == session.fileCrc;
}

std::vector<std::uint8_t> fileOnDisk(const QString &path)
{
    RomReadResult read = ReadRomFile(path);
    return read.ok() ? std::move(read.bytes) : std::vector<std::uint8_t>{};
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
                               .arg(ShownFileName(path)));
}

bool RecoveryOffer::offerLeftWork(QString *path)
{
    // Each stays locked until the end: no Krelin starting meanwhile offers the same work.
    std::vector<LeftWork> left;
    for (LeftJournal &journalLeft : ClaimLeftJournals(folder)) {
        LeftWork work = LeftWork::lookAt(std::move(journalLeft));
        // Read whole, it ended after a save or before anything could be written: nothing
        // to give back.
        if (!work.worthAsking()) {
            work.journal.remove();
            continue;
        }
        if (work.damaged())
            work.journal.setAside();
        left.push_back(std::move(work));
    }
    if (left.empty() || files.isLeaving()) // the program may have been asked to end meanwhile
        return false;
    const int chosen = ask(left);
    return chosen >= 0 && !files.isLeaving() && recoverFrom(left[std::size_t(chosen)], path);
}

int RecoveryOffer::ask(std::vector<LeftWork> &left)
{
    if (left.size() == 1) {
        LeftWork &work = left.front();
        QStringList answers{QStringLiteral("&Recover"), QStringLiteral("&Discard"), QStringLiteral("&Not Now")};
        if (!work.canRecover())
            answers.removeFirst();
        const int offset = work.canRecover() ? 0 : 1;
        const int answer = offset + desktop.askChoice(window, ProgramCaption(), work.question(), answers,
                                                      work.canRecover() ? Recover - offset : NotNow - offset,
                                                      NotNow - offset);
        const QString why = answer == Discard ? discard(work) : QString();
        if (!why.isEmpty())
            emit warning(QStringLiteral("Cannot delete the journal %1: %2.")
                             .arg(QDir::toNativeSeparators(work.journal.path()), why));
        return answer == Recover ? 0 : -1;
    }
    std::vector<RecoveryDialog::Row> rows;
    for (const LeftWork &work : left)
        rows.push_back({work.imageName(), work.outline.path, work.editsText(), work.journal.lastWritten(),
                        work.journal.size(), work.stateText(), work.question(), work.canRecover()});
    RecoveryDialog dialog(std::move(rows), desktop, [&](int row) { return discard(left[std::size_t(row)]); }, window);
    dialog.exec();
    return dialog.chosen();
}

QString RecoveryOffer::discard(LeftWork &work)
{
    return work.journal.remove();
}

bool RecoveryOffer::recoverFrom(LeftWork &work, QString *path)
{
    const LeftJournal &journalLeft = work.journal;
    JournalRecordReader reader(
        [&journalLeft](qint64 offset, std::span<std::uint8_t> into) { return journalLeft.readAt(offset, into); },
        journalLeft.size());
    const JournalSession session = ReadJournal(reader, fileOnDisk);
    const QString where = QDir::toNativeSeparators(work.journal.path());
    // Damage the question could not know of (in a large step it passed over) is said now.
    const bool newDamage = session.damage != work.outline.damage;
    if (!session.damage.isEmpty())
        work.journal.setAside();
    const QString kept = QStringLiteral(" The journal is kept as %1 until you discard it.")
                             .arg(QDir::toNativeSeparators(work.journal.path()));
    if (!session.hasUnsavedWork()) {
        if (session.damage.isEmpty()) {
            work.journal.remove();
            emit warning(QStringLiteral("The journal %1 holds no unsaved changes after all: nothing was recovered.").arg(where));
        } else {
            emit warning(QStringLiteral("The unsaved changes of %1 cannot be recovered: its journal %2 cannot be read "
                                        "whole: %3.")
                             .arg(work.imageName(), where, session.damage)
                         + kept);
        }
        return false;
    }
    const QString file = recover(session);
    if (session.damage.isEmpty())
        work.journal.remove();
    else if (newDamage)
        emit warning(QStringLiteral("The journal %1 turned out to be damaged while the work was rebuilt: %2. The "
                                    "edits before the damage were recovered; those after it are lost.")
                         .arg(where, session.damage)
                     + kept);
    if (path)
        *path = file;
    return true;
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
