#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QSettings;
class QWidget;

namespace krelin {

class Desktop;
class EmulatorDialog;
class EmulatorRun;
class modKrelin;

// The main window's Tools menu: a test run of the open image in an emulator, and the
// emulator command, kept in the program's settings with the recent files.
class EmulatorCommands : public QObject
{
    Q_OBJECT

public:
    // The emulator command is kept in settings; without them it lasts for the session only.
    EmulatorCommands(modKrelin &model, Desktop &desktop, QSettings *settings, QWidget *window);
    ~EmulatorCommands() override;

    QAction *mnuRunInEmulator;
    QAction *mnuEmulator;

    // Run in Emulator without a command set opens the Emulator dialog first and runs once
    // it is accepted.
    void mnuRunInEmulator_Click();
    void mnuEmulator_Click();

signals:
    void warning(const QString &text);
    void statusMessage(const QString &text);

private:
    QString emulatorCommand() const;
    void setEmulatorCommand(const QString &command);
    // Starts the emulator on the image as a save would write it.
    void runInEmulator(const QString &command);
    // Opens the Emulator dialog; then() runs once it is accepted with the command kept.
    void editEmulatorCommand(const std::function<void()> &then);

    modKrelin &model;
    Desktop &desktop;
    QSettings *settings;
    QWidget *window;
    QPointer<EmulatorDialog> emulatorDialog; // open while it is on the screen
    std::unique_ptr<EmulatorRun> emulatorRun; // made on the first run
    QString sessionEmulatorCommand;           // the command while there are no settings to keep it in
};

} // namespace krelin
