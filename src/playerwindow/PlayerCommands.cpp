#include "PlayerCommands.h"

#include <array>

namespace krelin {

std::span<const PlayerCommand> PlayerCommands()
{
    static const std::array<PlayerCommand, 14> list{{
        {"mnuPause", "&Pause", "Player", {Qt::Key_P}},
        {"mnuFrameAdvance", "&One Frame On", "Player", {Qt::Key_Period}},
        {"mnuReset", "&Reset", "Player", {Qt::CTRL | Qt::Key_R}},
        {"mnuBookmark", "&Bookmark", "Player", {Qt::CTRL | Qt::Key_B}},
        {"mnuRestartAtBookmark", "Restart at Boo&kmark", "Player", {Qt::CTRL | Qt::SHIFT | Qt::Key_B}},
        // Asks first, and has no key of its own at first: never deleted by a slip.
        {"mnuDeleteBookmark", "&Delete Bookmark…", "Player", {}},
        {"mnuScreenshot", "&Screenshot…", "Player", {Qt::Key_F9}},
        {"mnuClosePlayer", "&Close", "Player", {Qt::CTRL | Qt::Key_W}},
        {"mnuScale(1)", "&1×", "View", {Qt::CTRL | Qt::Key_1}},
        {"mnuScale(2)", "&2×", "View", {Qt::CTRL | Qt::Key_2}},
        {"mnuScale(3)", "&3×", "View", {Qt::CTRL | Qt::Key_3}},
        {"mnuScale(4)", "&4×", "View", {Qt::CTRL | Qt::Key_4}},
        {"mnuFullScreen", "&Full Screen", "View", {Qt::Key_F11}},
        {"mnuMute", "&Mute", "View", {Qt::Key_M}},
    }};
    return list;
}

QString KeyText(const QKeySequence &keys)
{
    const QString text = keys.toString(QKeySequence::NativeText);
    if (text.size() != 1 || text[0].isLetterOrNumber())
        return text;
    // A lone mark reads as punctuation of the sentence around it ("Paused: . runs"): named.
    static const std::pair<QChar, const char *> names[] = {
        {u'.', "Period"}, {u',', "Comma"}, {u';', "Semicolon"}, {u':', "Colon"}, {u'/', "Slash"},
        {u'\\', "Backslash"}, {u'-', "Minus"}, {u'+', "Plus"}, {u'=', "Equals"}, {u'\'', "Apostrophe"},
        {u'"', "Quote"}, {u'`', "Backquote"}, {u'[', "Left Bracket"}, {u']', "Right Bracket"},
    };
    for (const auto &[mark, name] : names)
        if (text[0] == mark)
            return QLatin1String(name);
    return QStringLiteral("the %1 key").arg(text);
}

std::span<const PlayerButtonCommand> PlayerButtons()
{
    static const std::array<PlayerButtonCommand, 8> list{{
        {{"btnUp", "Up", "Controller", {Qt::Key_Up}}, JoypadButton::Up},
        {{"btnDown", "Down", "Controller", {Qt::Key_Down}}, JoypadButton::Down},
        {{"btnLeft", "Left", "Controller", {Qt::Key_Left}}, JoypadButton::Left},
        {{"btnRight", "Right", "Controller", {Qt::Key_Right}}, JoypadButton::Right},
        {{"btnA", "A", "Controller", {Qt::Key_X}}, JoypadButton::A},
        {{"btnB", "B", "Controller", {Qt::Key_Z}}, JoypadButton::B},
        {{"btnStart", "Start", "Controller", {Qt::Key_Return, Qt::Key_Enter}}, JoypadButton::Start},
        // Qt does not tell the right Shift key from the left: either is Select.
        {{"btnSelect", "Select", "Controller", {Qt::Key_Shift}}, JoypadButton::Select},
    }};
    return list;
}

} // namespace krelin
