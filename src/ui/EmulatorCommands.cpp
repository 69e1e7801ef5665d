// The main window's Tools menu: a test run of the open image in an emulator, and the
// emulator command, kept in the preferences.
#include "EmulatorCommands.h"

#include "EmulatorDialog.h"
#include "core/EmulatorRun.h"
#include "core/Preferences.h"
#include "core/RomFile.h"
#include "core/modKrelin.h"

#include <QAction>
#include <QFileInfo>

namespace krelin {

EmulatorCommands::EmulatorCommands(modKrelin &model, Desktop &desktop, Preferences &preferences, QWidget *window)
    : QObject(window)
    , model(model)
    , desktop(desktop)
    , preferences(preferences)
    , window(window)
{
    setObjectName(QStringLiteral("emulatorCommands"));
    mnuRunInEmulator = new QAction(QStringLiteral("&Run in Emulator"), this);
    mnuRunInEmulator->setObjectName(QStringLiteral("mnuRunInEmulator"));
    mnuRunInEmulator->setShortcut(QKeySequence(Qt::Key_F5));
    // A test run is wanted straight after an edit in a tool window.
    mnuRunInEmulator->setShortcutContext(Qt::ApplicationShortcut);
    mnuRunInEmulator->setEnabled(false);
    mnuEmulator = new QAction(QStringLiteral("&Emulator…"), this);
    mnuEmulator->setObjectName(QStringLiteral("mnuEmulator"));
    connect(&model, &modKrelin::imageReplaced, this, [this] { mnuRunInEmulator->setEnabled(this->model.hasImage()); });
    connect(mnuRunInEmulator, &QAction::triggered, this, &EmulatorCommands::mnuRunInEmulator_Click);
    connect(mnuEmulator, &QAction::triggered, this, &EmulatorCommands::mnuEmulator_Click);
    // Test runs of programs killed before they could clear up: their image copies go now.
    EmulatorRun::RemoveLeftovers();
}

EmulatorCommands::~EmulatorCommands() = default;

void EmulatorCommands::mnuRunInEmulator_Click()
{
    if (!model.hasImage())
        return;
    const QString command = preferences.emulatorCommand();
    if (!command.trimmed().isEmpty())
        runInEmulator(command);
    else // the first run asks for the command, and runs once it is given
        editEmulatorCommand([this] { runInEmulator(preferences.emulatorCommand()); });
}

void EmulatorCommands::mnuEmulator_Click()
{
    editEmulatorCommand({});
}

void EmulatorCommands::editEmulatorCommand(const std::function<void()> &then)
{
    if (emulatorDialog) {
        emulatorDialog->raise();
        emulatorDialog->activateWindow();
        return;
    }
    emulatorDialog = new EmulatorDialog(desktop, preferences.emulatorCommand(), window);
    emulatorDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(emulatorDialog, &QDialog::accepted, this, [this, then] {
        const QString command = emulatorDialog->command();
        preferences.setEmulatorCommand(command);
        if (then && !command.isEmpty())
            then();
    });
    // Modal to this window, without blocking: the answer arrives through accepted().
    emulatorDialog->open();
}

void EmulatorCommands::runInEmulator(const QString &command)
{
    if (!emulatorRun)
        emulatorRun = std::make_unique<EmulatorRun>();
    // The file as a save would write it, fix-up applied; the image in memory, the user's
    // file and the unsaved state stay as they are.
    const QString name = model.RomFileName.isEmpty() ? QString() : QFileInfo(model.RomFileName).fileName();
    const QString error = emulatorRun->start(command, ImageAsSaved(model.image()), name);
    if (!error.isEmpty()) {
        emit warning(error);
        return;
    }
    emit statusMessage(QStringLiteral("The emulator was started on %1").arg(emulatorRun->imagePath()));
}

} // namespace krelin
