#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QWidget;

namespace krelin {

class Desktop;
class EditHistory;
class FileSession;
class Journal;
struct JournalSession;
struct LeftWork;
class modKrelin;

// The main window's part that gives back, on start, the unsaved work of sessions that
// ended unexpectedly (a crash, a kill, a power cut). One journal left behind is asked
// about in a question; several are listed in one window (RecoveryDialog), newest first.
// Recover opens the file again when it is still the one the work was done on and replays
// the work onto it, every step undoable; when the file has changed or is gone it says so
// and opens the recovered image without a name. Discard deletes the journal; Not Now
// keeps it for the next start.
//
// A journal that cannot be read whole is never deleted unasked: it is set aside
// (NAME.journal.damaged), the question says which file it is and what is wrong, offers
// what can still be rebuilt, and it is asked about at every start until the user
// discards it. A journal larger than any the program writes is not read: the question
// gives its name and size.
class RecoveryOffer : public QObject
{
    Q_OBJECT

public:
    RecoveryOffer(modKrelin &model, EditHistory &history, Desktop &desktop, FileSession &files, Journal &journal,
                  QWidget *window, const QString &journalFolder);

    // What the program does on start: offers the work left behind, then opens path (a file
    // named on the command line, or nothing) unless work was recovered, which stays open.
    void openAtStart(const QString &path);

    // Offers the journals left behind; true when one was recovered, and *path is then its
    // file (empty when the image was opened without one).
    bool offerLeftWork(QString *path = nullptr);

signals:
    void warning(const QString &text);
    void statusMessage(const QString &text);

private:
    // The one journal chosen by the user to be recovered, or -1; the others the user
    // discarded are deleted.
    int ask(std::vector<LeftWork> &left);
    // Reads the journal whole and replays its session; returns whether any work came back,
    // and *path is then its file (empty when the image was opened without one).
    bool recoverFrom(LeftWork &work, QString *path);
    // Replays the session; returns the file it was opened on, or an empty string.
    QString recover(const JournalSession &session);
    QString discard(LeftWork &work);

    modKrelin &model;
    EditHistory &history;
    Desktop &desktop;
    FileSession &files;
    Journal &journal;
    QWidget *window;
    QString folder;
};

} // namespace krelin
