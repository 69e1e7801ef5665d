#pragma once

#include <QObject>

class QAction;
class QWidget;

namespace krelin {

class Desktop;
class EditHistory;
class FileSession;
class modKrelin;

// The main window's patches: File > Create Patch records how the open image differs from
// a clean one, File > Apply Patch applies a patch to the open image as one step of the
// edit history. The views follow the image the patch makes as they follow any change.
class PatchCommands : public QObject
{
    Q_OBJECT

public:
    PatchCommands(modKrelin &model, EditHistory &history, Desktop &desktop, const FileSession &files,
                  QWidget *window);

    QAction *mnuCreatePatch;
    QAction *mnuApplyPatch;

    // Create Patch returns whether a patch was written, Apply Patch whether the image
    // changed.
    bool mnuCreatePatch_Click();
    bool mnuApplyPatch_Click();

signals:
    void warning(const QString &text);
    // A short note for the status bar.
    void statusMessage(const QString &text);

private:
    modKrelin &model;
    EditHistory &history;
    Desktop &desktop;
    const FileSession &files;
    QWidget *window;
};

} // namespace krelin
