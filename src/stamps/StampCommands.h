#pragma once

#include "core/StampLibrary.h"

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace krelin {

class Desktop;
class MapTools;
class frmStamps;
class modKrelin;

// The stamps the user keeps: Edit > Keep as Stamp (Ctrl+Shift+C) keeps the selected cells
// (or, without a selection, the cells last copied) under a name, for the metatile table
// of the stage shown; View > Stamps shows them, to take one up, rename, remove or flip it.
// They are kept in the stamp library's file; a file that cannot be read is named once, at
// start (problem()), and left as it is.
class StampCommands : public QObject
{
    Q_OBJECT

public:
    StampCommands(const modKrelin &model, MapTools &tools, Desktop &desktop, const QString &libraryPath,
                  QWidget *window);

    QAction *mnuStamps;
    QAction *mnuKeepStamp;

    void mnuStamps_Click();
    // Keeps the cells under a name the user gives; false when there are none or the user
    // cancelled.
    bool mnuKeepStamp_Click();

    const StampLibrary &library() const { return kept; }
    const QString &problem() const { return kept.problem(); }
    // The window while it is open, else nullptr.
    frmStamps *stampsWindow() const;

signals:
    void warning(const QString &text);
    void statusMessage(const QString &text);

private:
    QString table() const;
    void showStamps();
    void take(int index);
    void rename(int index);
    void remove(int index);
    void flip(int index);
    void reportWrite(const QString &problem);

    const modKrelin &model;
    MapTools &tools;
    Desktop &desktop;
    QWidget *window;
    StampLibrary kept;
    QPointer<frmStamps> panel;
};

} // namespace krelin
