#include "Preferences.h"

#include <QSettings>

namespace krelin {

namespace {

const QString TileEditorNoticeKey = QStringLiteral("notices/tileEditorRefresh");
const QString PaletteQuestionKey = QStringLiteral("notices/paletteRefresh");
const QString EmulatorCommandKey = QStringLiteral("emulator/command");
const QString PixelGridKey = QStringLiteral("tileEditor/pixelGrid");

} // namespace

Preferences::Preferences(QSettings *settings, QObject *parent)
    : QObject(parent)
    , settings(settings)
{
    setObjectName(QStringLiteral("preferences"));
    if (!settings)
        return;
    tileNotice = settings->value(TileEditorNoticeKey, true).toBool();
    paletteAsked = settings->value(PaletteQuestionKey, true).toBool();
    gridLines = settings->value(PixelGridKey, true).toBool();
}

void Preferences::store(const QString &key, const QVariant &value)
{
    if (!settings)
        return;
    settings->setValue(key, value);
    settings->sync();
}

void Preferences::setTileEditorNotice(bool shown)
{
    if (tileNotice == shown)
        return;
    tileNotice = shown;
    store(TileEditorNoticeKey, shown);
    emit tileEditorNoticeChanged(shown);
}

void Preferences::setPaletteQuestion(bool asked)
{
    if (paletteAsked == asked)
        return;
    paletteAsked = asked;
    store(PaletteQuestionKey, asked);
    emit paletteQuestionChanged(asked);
}

QString Preferences::emulatorCommand() const
{
    if (!settings)
        return sessionEmulatorCommand;
    settings->sync();
    return settings->value(EmulatorCommandKey).toString();
}

void Preferences::setEmulatorCommand(const QString &command)
{
    sessionEmulatorCommand = command;
    store(EmulatorCommandKey, command);
}

void Preferences::setPixelGrid(bool shown)
{
    if (gridLines == shown)
        return;
    gridLines = shown;
    store(PixelGridKey, shown);
    emit pixelGridChanged(shown);
}

} // namespace krelin
