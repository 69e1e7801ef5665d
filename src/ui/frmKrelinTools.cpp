// The main window's Tools menu: a test run of the open image in an emulator, and the
// emulator command, kept in the program's settings with the recent files.
#include "frmKrelin.h"

#include "EmulatorDialog.h"
#include "MainStatusBar.h"
#include "core/EmulatorRun.h"
#include "core/RomFile.h"
#include "core/modKrelin.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

namespace krelin {

namespace {

const QString EmulatorCommandKey = QStringLiteral("emulator/command");

} // namespace

QString frmKrelin::emulatorCommand() const
{
    if (!emulatorSettings)
        return sessionEmulatorCommand;
    emulatorSettings->sync(); // another instance of the program may have set it
    return emulatorSettings->value(EmulatorCommandKey).toString();
}

void frmKrelin::setEmulatorCommand(const QString &command)
{
    sessionEmulatorCommand = command;
    if (!emulatorSettings)
        return;
    emulatorSettings->setValue(EmulatorCommandKey, command);
    emulatorSettings->sync();
}

void frmKrelin::createToolsMenu(QSettings *settings)
{
    emulatorSettings = settings;
    mnuTools = new QMenu(QStringLiteral("&Tools"), this);
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    menuBar()->insertMenu(mnuHelp->menuAction(), mnuTools);
    mnuRunInEmulator = mnuTools->addAction(QStringLiteral("&Run in Emulator"));
    mnuRunInEmulator->setObjectName(QStringLiteral("mnuRunInEmulator"));
    mnuRunInEmulator->setShortcut(QKeySequence(Qt::Key_F5));
    // A test run is wanted straight after an edit in a tool window.
    mnuRunInEmulator->setShortcutContext(Qt::ApplicationShortcut);
    mnuRunInEmulator->setEnabled(false);
    mnuEmulator = mnuTools->addAction(QStringLiteral("&Emulator…"));
    mnuEmulator->setObjectName(QStringLiteral("mnuEmulator"));
    connect(&model, &modKrelin::imageReplaced, this, [this] { mnuRunInEmulator->setEnabled(model.hasImage()); });
    connect(mnuRunInEmulator, &QAction::triggered, this, &frmKrelin::mnuRunInEmulator_Click);
    connect(mnuEmulator, &QAction::triggered, this, &frmKrelin::mnuEmulator_Click);
}

void frmKrelin::mnuRunInEmulator_Click()
{
    if (!model.hasImage())
        return;
    const QString command = emulatorCommand();
    if (!command.trimmed().isEmpty())
        runInEmulator(command);
    else // the first run asks for the command, and runs once it is given
        editEmulatorCommand([this] { runInEmulator(emulatorCommand()); });
}

void frmKrelin::mnuEmulator_Click()
{
    editEmulatorCommand({});
}

void frmKrelin::editEmulatorCommand(const std::function<void()> &then)
{
    if (emulatorDialog) {
        emulatorDialog->raise();
        emulatorDialog->activateWindow();
        return;
    }
    emulatorDialog = new EmulatorDialog(desktop, emulatorCommand(), this);
    emulatorDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(emulatorDialog, &QDialog::accepted, this, [this, then] {
        const QString command = emulatorDialog->command();
        setEmulatorCommand(command);
        if (then && !command.isEmpty())
            then();
    });
    // Modal to this window, without blocking: the answer arrives through accepted().
    emulatorDialog->open();
}

void frmKrelin::runInEmulator(const QString &command)
{
    if (!emulatorRun)
        emulatorRun = std::make_unique<EmulatorRun>();
    // The file as a save would write it, fix-up applied; the image in memory, the user's
    // file and the unsaved state stay as they are.
    const QString name = model.RomFileName.isEmpty() ? QString() : QFileInfo(model.RomFileName).fileName();
    const QString error = emulatorRun->start(command, ImageAsSaved(model.image()), name);
    if (!error.isEmpty()) {
        warn(error);
        return;
    }
    sbStatus->showMessage(QStringLiteral("The emulator was started on %1").arg(emulatorRun->imagePath()), 5000);
}

} // namespace krelin
