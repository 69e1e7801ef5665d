#include "NesCoreSetup.h"

#include "CoreHost.h"
#include "core/FileWriter.h"
#include "core/modKrelin.h"

#include <QDir>
#include <QFileInfo>

namespace krelin {

namespace {

// The settings, by the names the core gives them, that make its picture the console's
// colours from a palette file, whole and unfiltered.
struct Setting
{
    const char *key;
    const char *value;
};
constexpr Setting EditorColorSettings[] = {
    {"nestopia_palette", "custom"},
    {"nestopia_blargg_ntsc_filter", "disabled"},
    {"nestopia_overscan_v", "disabled"},
    {"nestopia_overscan_h", "disabled"},
};

} // namespace

bool UseEditorColors(CoreHost &host, const modKrelin &model, QString *error)
{
    QByteArray palette;
    for (int n = 0; n < 64; ++n) {
        palette.append(char(model.NesRed[std::size_t(n)] & 0xFF));
        palette.append(char(model.NesGreen[std::size_t(n)] & 0xFF));
        palette.append(char(model.NesBlue[std::size_t(n)] & 0xFF));
    }
    const QString path = QDir(host.folders().system).filePath(QLatin1String(CustomPaletteFile));
    const QString failure = ReplaceFileContents(path, palette);
    if (!failure.isEmpty()) {
        *error = QStringLiteral("Cannot write the core's palette %1: %2.").arg(QDir::toNativeSeparators(path), failure);
        return false;
    }
    for (const Setting &setting : EditorColorSettings)
        if (host.options().isDeclared(QLatin1String(setting.key)))
            host.options().set(QLatin1String(setting.key), QLatin1String(setting.value));
    return true;
}

bool SkipGameDatabase(CoreHost &host, QString *error)
{
    const QString path = QDir(host.folders().system).filePath(QLatin1String(GameDatabaseFile));
    if (QFileInfo::exists(path))
        return true;
    const QString failure = ReplaceFileContents(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                      "<database version=\"1.0\" conformance=\"strict\">\n"
                                                      "</database>\n");
    if (!failure.isEmpty()) {
        *error = QStringLiteral("Cannot write the core's game database %1: %2.").arg(QDir::toNativeSeparators(path), failure);
        return false;
    }
    return true;
}

} // namespace krelin
