#pragma once

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace krelin {

class Desktop;

// The unsaved work of several sessions that ended unexpectedly, offered at start in one
// window: each journal left behind by the file its work was on, its edits, when it was
// last written and its size, and for the one chosen in the list the question in full.
// Recover gives back the chosen one's work and closes the window (only one image is open
// at a time; the rest wait for the next start); Discard deletes its journal and Not Now
// keeps it for the next start, both taking it off the list; Discard All deletes every
// journal still listed, once the user confirms. Closing the window (Escape) keeps those
// still listed for the next start.
class RecoveryDialog : public QDialog
{
    Q_OBJECT

public:
    struct Row
    {
        QString imageName;
        QString imagePath;
        QString edits;
        QDateTime lastWritten;
        qint64 size = 0;
        QString state;
        QString question;
        bool canRecover = false;
    };

    // discard(row) deletes that row's journal and says why it could not, or nothing.
    RecoveryDialog(std::vector<Row> rows, Desktop &desktop, std::function<QString(int)> discard,
                   QWidget *parent = nullptr);

    // The row whose work is to be recovered, or -1.
    int chosen() const { return recoverRow; }

private:
    int currentRow() const;
    void showCurrent();
    void takeCurrent();
    void recoverCurrent();
    void discardCurrent();
    void discardAll();
    bool discardRow(int row);

    std::vector<Row> rows;
    Desktop &desktop;
    std::function<QString(int)> discard;
    int recoverRow = -1;

    QTreeWidget *lstJournals;
    QLabel *lblQuestion;
    QPushButton *cmdRecover;
    QPushButton *cmdDiscard;
    QPushButton *cmdNotNow;
    QPushButton *cmdDiscardAll;
};

} // namespace krelin
