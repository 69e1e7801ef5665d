#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace krelin {

class Desktop;
class EditHistory;
class FileSession;
class Journal;
struct JournalSession;
class modKrelin;

// The main window's part that gives back, on start, the unsaved work of sessions that
// ended unexpectedly (a crash, a kill, a power cut): each journal left behind is offered,
// newest first, until one is recovered. Recover opens the file again when it is still the
// one the work was done on and replays the work onto it, every step undoable; when the
// file has changed or is gone it says so and opens the recovered image without a name.
// Discard deletes the journal; Not Now keeps it for the next start.
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
    // Replays the session; returns the file it was opened on, or an empty string.
    QString recover(const JournalSession &session);

    modKrelin &model;
    EditHistory &history;
    Desktop &desktop;
    FileSession &files;
    Journal &journal;
    QWidget *window;
    QString folder;
};

} // namespace krelin
