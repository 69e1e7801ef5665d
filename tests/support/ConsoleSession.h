#pragma once

// The sample cartridge's viewer running in the system's NES core, driven through the
// controller as a player would, and the editor's own picture of a frame as the console
// would show it, pixel for pixel.

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "player/NesCoreSetup.h"
#include "player/CoreHost.h"
#include "player/CoreLocator.h"
#include "render/LevelPicture.h"
#include "render/Palette.h"

#include <QImage>
#include <QString>

#include <memory>

namespace krelin::testing {

// The NES core the system offers (or KRELIN_CORE names), started with the model's master
// palette as its palette and its whole picture, and without its database of known games.
// Nothing, with a message naming the package to install or the core and what is wrong,
// when there is none to use.
inline std::unique_ptr<CoreHost> OpenConsole(const modKrelin &model, const QString &folder, QString *error)
{
    const CoreChoice choice = ChooseCore();
    if (choice.path.isEmpty()) {
        *error = choice.problem;
        return nullptr;
    }
    auto host = CoreHost::open(choice.path, {folder + QStringLiteral("/system"), folder + QStringLiteral("/saves")}, error);
    if (host && (!UseEditorColors(*host, model, error) || !SkipGameDatabase(*host, error)))
        host.reset();
    return host;
}

// The editor's level map of frame f of the current stage in Console Colours, one pixel
// of each 2 x 2 tile pixel on the 17-pixel grid: the 256 x 240 picture the console shows.
inline QImage EditorConsolePicture(const modKrelin &model, int frame, bool consoleColors = true)
{
    const BgColorSet resolved = ResolveBgColors(model).value_or(BgColorSet{});
    const QImage map = DrawFramePicture(model, frame, consoleColors ? ConsoleColors(resolved) : resolved);
    QImage picture(256, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(map.constScanLine(17 * (y / 8) + 2 * (y % 8)));
        auto *to = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < 256; ++x)
            to[x] = from[17 * (x / 8) + 2 * (x % 8)];
    }
    return picture;
}

// The viewer's place, followed as its buttons move it: stage (index in the stage table)
// and frame.
class ViewerControl
{
public:
    // Frames a press is held, and the frames after it until the viewer has drawn what the
    // press chose (it redraws the whole picture in about four).
    static constexpr int HeldFrames = 2;
    static constexpr int SettleFrames = 10;
    // Frames until the viewer has read everything it shows again.
    static constexpr int RereadFrames = 70;
    // Frames from power-on to the first picture.
    static constexpr int BootFrames = 30;

    explicit ViewerControl(CoreHost &host) : host(host) {}

    int stage() const { return shownStage; }
    int frame() const { return shownFrame; }

    void run(int frames)
    {
        for (int i = 0; i < frames; ++i)
            host.runFrame();
    }

    void boot()
    {
        run(BootFrames);
        shownStage = shownFrame = 0;
    }

    void press(JoypadButton button)
    {
        host.setButtons(ButtonBit(button));
        run(HeldFrames);
        host.setButtons(0);
        run(SettleFrames);
        const int frames = StageTable[std::size_t(shownStage)].Frames;
        switch (button) {
        case JoypadButton::Select:
            shownStage = (shownStage + 1) % StageCount, shownFrame = 0;
            break;
        case JoypadButton::Start:
            shownStage = (shownStage + StageCount - 1) % StageCount, shownFrame = 0;
            break;
        case JoypadButton::Right:
            shownFrame = std::min(shownFrame + 1, frames - 1);
            break;
        case JoypadButton::Left:
            shownFrame = std::max(shownFrame - 1, 0);
            break;
        default:
            break;
        }
    }

    // Goes to frame f of stage s the short way round.
    void show(int s, int f)
    {
        if (s != shownStage) {
            const int forward = (s - shownStage + StageCount) % StageCount;
            const JoypadButton way = forward <= StageCount / 2 ? JoypadButton::Select : JoypadButton::Start;
            while (shownStage != s)
                press(way);
        }
        while (shownFrame < f)
            press(JoypadButton::Right);
        while (shownFrame > f)
            press(JoypadButton::Left);
    }

private:
    CoreHost &host;
    int shownStage = 0;
    int shownFrame = 0;
};

} // namespace krelin::testing
