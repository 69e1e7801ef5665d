#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace krelin {

class Desktop;

// Asks for the emulator program (starting where the program command names lies) and
// returns command with it in place of the program named there; an empty command becomes
// the program and "%f". Cancelled: an empty string. title names the program asked for.
QString BrowseForEmulator(Desktop &desktop, QWidget *parent, const QString &command,
                          const QString &title = QStringLiteral("Emulator"));

// Tools > Emulator: the command that runs the emulator, with "%f" standing for the image's
// path, typed or found with Browse. It only edits the text; its owner keeps the command
// once the dialog is accepted.
class EmulatorDialog : public QDialog
{
    Q_OBJECT

public:
    EmulatorDialog(Desktop &desktop, const QString &command, QWidget *parent = nullptr);

    // The command as typed, without surrounding spaces.
    QString command() const;

    QLineEdit *txtCommand;
    QPushButton *cmdBrowse;
    QPushButton *cmdOK;

    // Asks for the emulator program and puts it in the command, in place of the program
    // named there; an empty command becomes the program and "%f".
    void cmdBrowse_Click();

private:
    Desktop &desktop;
};

} // namespace krelin
