#pragma once

#include "KeyboardShortcuts.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QFormLayout;
class QKeySequenceEdit;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace krelin {

class Desktop;
class Preferences;

// Edit > Preferences: the choices the program keeps between runs, a page for each kind.
// The controls start from the preferences as they are; OK and Apply put them all back (in
// effect at once), Cancel forgets them.
//
// A new choice is a control on a page (an existing one, or one more from addPage()), set
// in load() and read back in apply().
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    PreferencesDialog(Preferences &preferences, KeyboardShortcuts &shortcuts, Desktop &desktop,
                      QWidget *parent = nullptr);

    QTabWidget *tabs;
    // Notices: the two questions that interrupt work, each shown when ticked.
    QCheckBox *chkTileEditorNotice;
    QCheckBox *chkPaletteQuestion;
    // Emulator: the command that runs it.
    QLineEdit *txtEmulatorCommand;
    QPushButton *cmdBrowse;
    // Notices: whether each save of a stage in Tiled is asked about.
    QCheckBox *chkTiledSaveQuestion;
    // Tiled: the command that starts it on a stage's map.
    QLineEdit *txtTiledCommand;
    QPushButton *cmdBrowseTiled;
    // Files: how many old versions of each file the backups keep.
    QSpinBox *spnBackupsKept;
    // Keys: every action with its keys; the key editor sets the chosen one's.
    QTreeWidget *lstShortcuts;
    QKeySequenceEdit *keyEditor;
    QPushButton *cmdClearKey;
    QPushButton *cmdRestoreDefaults;
    QPushButton *cmdOK;
    QPushButton *cmdApply;

    // Puts the controls' choices into the preferences (what OK does).
    void apply();

protected:
    // The controls start from the preferences as they are when the dialog shows (a notice
    // shown just before it may have changed one).
    void showEvent(QShowEvent *event) override;

private:
    // A new page titled title whose rows are a label and a control each.
    QFormLayout *addPage(const QString &name, const QString &title);
    void load();
    void createKeysPage();
    // The key editor's key for the chosen action, unless another action has it.
    void takeKey();
    void setPendingKeys(int row, const KeyList &keys);
    int chosenRow() const;

    Preferences &preferences;
    KeyboardShortcuts &shortcuts;
    Desktop &desktop;
    std::vector<KeyList> pendingKeys; // by row, as entries() lists the actions
};

} // namespace krelin
