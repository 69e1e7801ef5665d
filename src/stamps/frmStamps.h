#pragma once

#include "core/StampLibrary.h"

#include <QWidget>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace krelin {

class modKrelin;

// View > Stamps: the stamps kept for the metatile table of the stage shown, each with its
// picture, name and size. A click on one (or Enter) takes it up, to place as a pasted
// stamp is placed; the buttons rename, remove and flip the one chosen. The window only
// shows and asks: what it shows and what the buttons do are its owner's.
class frmStamps : public QWidget
{
    Q_OBJECT

public:
    explicit frmStamps(const modKrelin &model, QWidget *parent = nullptr);

    // Shows the stamps of a table ("Stamps of stages 1A–2C"), drawn with the stage's
    // metatiles, and a note under them (why the file could not be read); without a stage,
    // says so.
    void showStamps(const QString &heading, const std::vector<KeptStamp> &stamps, const QString &note);
    // The stamp chosen in the list, or -1.
    int chosen() const;

    QLabel *lblStamps;
    QListWidget *lstStamps;
    QPushButton *cmdRename;
    QPushButton *cmdRemove;
    QPushButton *cmdFlip;
    QLabel *lblStampsNote;

signals:
    void stampTaken(int index);
    void renameWanted(int index);
    void removeWanted(int index);
    void flipWanted(int index);

private:
    void updateEnabled();

    const modKrelin &model;
};

} // namespace krelin
