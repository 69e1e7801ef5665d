#pragma once

#include <QDialog>

class QCheckBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace krelin {

class Desktop;
class Preferences;

// Edit > Preferences: the choices the program keeps between runs, a page for each kind.
// The controls start from the preferences as they are; OK puts them all back, Cancel
// forgets them.
//
// A new choice is a control on a page (an existing one, or one more from addPage()), set
// in load() and read back in apply().
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    PreferencesDialog(Preferences &preferences, Desktop &desktop, QWidget *parent = nullptr);

    QTabWidget *tabs;
    // Notices: the two questions that interrupt work, each shown when ticked.
    QCheckBox *chkTileEditorNotice;
    QCheckBox *chkPaletteQuestion;
    // Emulator: the command that runs it.
    QLineEdit *txtEmulatorCommand;
    QPushButton *cmdBrowse;
    QPushButton *cmdOK;

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

    Preferences &preferences;
    Desktop &desktop;
};

} // namespace krelin
