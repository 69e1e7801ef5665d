#pragma once

#include "core/ImageLayout.h"

#include <QMenu>

#include <functional>

namespace krelin {

class Desktop;
class modKrelin;

// Asks where to write a PNG picture, starting at start (a folder and a suggested name); a
// name typed without an extension gets ".png", and replacing a file of that name is asked
// about first. An empty string when the user cancelled.
QString AskForPngPath(Desktop &desktop, QWidget *window, const QString &title, const QString &start);

// File > Export: the level map of the open image as PNG pictures, one frame or the whole
// stage, drawn by the same code as the command line's --export.
class ExportMenu : public QMenu
{
    Q_OBJECT

public:
    ExportMenu(modKrelin &model, Desktop &desktop, QWidget *window);

    // The frame the level map shows.
    void setFrame(int frame);

    // Ask where to write the picture and write it. False when nothing was written: the
    // dialog was cancelled, or the user has been told what went wrong.
    bool ExportFrame();
    bool ExportStage();

    QAction *mnuExportFrame;
    QAction *mnuExportStage;

private:
    bool exportPicture(const QString &title, const QString &suggestedName,
                       const std::function<QImage(const BgColorSet &)> &draw);
    QString baseName() const;

    modKrelin &model;
    Desktop &desktop;
    QWidget *window;
    int frame = 0;
    QString lastFolder; // where the last picture went
};

} // namespace krelin
