#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QWidget;

namespace krelin {

class Desktop;
class EmulatorDialog;
class EmulatorRun;
class Preferences;
class modKrelin;

// The main window's Tools menu: a test run of the open image in an emulator, and the
// emulator command, kept in the preferences.
class EmulatorCommands : public QObject
{
    Q_OBJECT

public:
    EmulatorCommands(modKrelin &model, Desktop &desktop, Preferences &preferences, QWidget *window);
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
    // Starts the emulator on the image as a save would write it.
    void runInEmulator(const QString &command);
    // Opens the Emulator dialog; then() runs once it is accepted with the command kept.
    void editEmulatorCommand(const std::function<void()> &then);

    modKrelin &model;
    Desktop &desktop;
    Preferences &preferences;
    QWidget *window;
    QPointer<EmulatorDialog> emulatorDialog; // open while it is on the screen
    std::unique_ptr<EmulatorRun> emulatorRun; // made on the first run
};

} // namespace krelin
