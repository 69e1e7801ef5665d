#pragma once

#include "edit/CellEdits.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QRadioButton;

namespace krelin {

class HexSpinBox;

// Edit > Replace Metatile: which metatile to replace by which, and where (the frame shown,
// the stage, or every stage sharing the metatile table). Before anything is done it says
// how many cells would change, counted afresh at each choice. It only asks; its owner
// makes the step once the dialog is accepted.
class ReplaceDialog : public QDialog
{
    Q_OBJECT

public:
    // count says where a metatile lies for a scope; sharedStages names the stages that
    // share the metatile table ("1A, 1B, 1C, 2A, 2B, 2C").
    ReplaceDialog(int from, int to, const QString &stageName, const QString &sharedStages,
                  std::function<ReplaceTargets(ReplaceScope, int)> count, QWidget *parent = nullptr);

    int from() const;
    int to() const;
    ReplaceScope scope() const;

    HexSpinBox *spnReplaceFrom;
    HexSpinBox *spnReplaceWith;
    QRadioButton *optReplaceFrame;
    QRadioButton *optReplaceStage;
    QRadioButton *optReplaceShared;
    QLabel *lblReplaceCount;
    QPushButton *cmdReplace;

    // The count for the choices as they are: "40 cells in 3 frames will change."
    void showCount();

private:
    std::function<ReplaceTargets(ReplaceScope, int)> count;
};

} // namespace krelin
