#pragma once

#include "core/JournalFile.h"
#include "core/JournalFormat.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace krelin {

class EditHistory;
class modKrelin;

// The journal of the open image's unsaved work, kept on disk while the work is done, so
// that a crash, a kill or a power cut loses none of it, or at most its last second or two.
//
// It follows the history: each step as it is made (or merged into, even into nothing),
// undone or redone is written at once as a record of its own (see JournalSession.h), so
// that the journal tells the history as it is at every moment; what was written
// reaches the disk at most a second later. Opening or saving starts it anew from the image
// as it is then, the file's bytes, so the work can be rebuilt even when the file has since
// changed. Whenever the history changed in a way the records cannot follow (emptied,
// rebuilt, an undo back past the last save), the journal is written afresh from the
// history as it now is; that is also how it stays small when the history lets its oldest
// steps go.
class Journal : public QObject
{
    Q_OBJECT

public:
    // The journal lives in folder (JournalFolder() for the program); nothing is written
    // there until an image is opened.
    Journal(modKrelin &model, EditHistory &history, const QString &folder, QObject *parent = nullptr);

    // The image is the file at path from now on (opened or saved): the journal starts anew.
    void begin(const QString &path);
    // The work goes on from a session recovered from another journal, made from the file at
    // path with that size (-1: none) and checksum.
    void follow(const QString &path, qint64 fileSize, std::uint32_t fileCrc);
    // The user chose to go on without the unsaved changes: the journal no longer offers them.
    void discard();
    // The program ends as it should: the journal goes, unless it holds work the user did not
    // decide on (the program was asked to end by the system), which is kept for the next start.
    void leave();
    // Takes what was written to the disk now.
    void flush();

    // The journal file, while there is one.
    QString filePath() const { return file.exists() ? file.path() : QString(); }

signals:
    // The journal cannot be written: unsaved work would not survive a crash.
    void warning(const QString &text);

private:
    void recordPush(int index, bool merged);
    void recordMove(int to);
    void recordMergedAway(int index);
    void followDroppedSteps();
    void markStale();
    void rewrite();
    void writeRecords();
    void reportFailure();

    modKrelin &model;
    EditHistory &history;
    JournalFile file;
    JournalWriter records;
    QTimer flushTimer;

    QString path;          // the file the work is on
    qint64 fileSize = -1;  // and its size and checksum when last opened or saved
    std::uint32_t fileCrc = 0;
    // The journal's steps are the history's from windowStart on; journalIndex is the
    // current one among them, journalCount how many there are.
    int windowStart = 0;
    int journalIndex = 0;
    int journalCount = 0;
    bool stale = false;     // the file no longer tells the history: written afresh when next needed
    bool discarded = false; // the user let the unsaved changes go
    bool warned = false;
};

} // namespace krelin
