#pragma once

#include "ImageLayout.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace krelin {

struct Stage;

// The one model of the program: the cartridge image held as raw bytes, the file it came
// from, the current stage with its offsets, the master palette and the background colours
// the main window last resolved. main() makes one and hands it to every window by
// reference.
//
// The model announces, the views listen: every write goes through writeBytes(), which
// emits imageChanged() for the bytes it changed; replacing the whole image emits
// imageReplaced(). Nothing else changes the image, and nobody repaints on a writer's
// behalf. Reads are bounds-checked.
class modKrelin : public QObject, public StageOffsets
{
    Q_OBJECT

public:
    explicit modKrelin(QObject *parent = nullptr);

    // ---- the image -------------------------------------------------------------------------
    qint64 romSize() const { return qint64(RomData.size()); }
    bool hasImage() const { return !RomData.empty(); }
    const std::vector<std::uint8_t> &image() const { return RomData; }

    // True when the bytes [offset, offset + length) all lie inside the image.
    bool holds(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= romSize() && length <= romSize() - offset;
    }

    // The byte at offset, or 0 for an offset outside the image (never read there).
    std::uint8_t byteAt(qint64 offset) const { return holds(offset, 1) ? RomData[std::size_t(offset)] : 0; }

    // A pointer to length bytes at offset, or nullptr unless all of them lie inside.
    const std::uint8_t *bytesAt(qint64 offset, qint64 length) const
    {
        return length > 0 && holds(offset, length) ? RomData.data() + offset : nullptr;
    }

    // The one write path. Refuses (returns false, changes nothing) a write that does
    // not lie wholly inside the image. A write of bytes equal to those in place still
    // counts as done but changes nothing and announces nothing.
    bool writeBytes(qint64 offset, std::span<const std::uint8_t> bytes);
    bool writeByte(qint64 offset, std::uint8_t value);

    // Replaces the whole image, whose size may differ: a file opened, or a patch that
    // changes the image's size (and that step undone or redone).
    void replaceImage(std::vector<std::uint8_t> bytes);

    // Full path of the file last opened or saved under a new name; empty before.
    QString RomFileName;
    void setRomFileName(const QString &path);

    // ---- the current stage -----------------------------------------------------------------
    // The stage shown, or nullptr while none is (before the first choice, or after an image
    // too short for it took it off the window).
    const Stage *currentStage() const { return stage; }
    // Loads a stage table row: the offsets this class holds and the rooms below, and makes
    // it the current stage.
    void ApplyStage(const Stage &stage);
    // No stage is shown any more. The offsets keep their values.
    void clearStage();

    // The current stage's rooms: 0 until a stage is chosen, set only by choosing one.
    std::int16_t FirstRoom = 0;
    std::int16_t LastRoom = 0;

    // ---- colours ---------------------------------------------------------------------------
    // Master palette: red, green and blue (0..255) of the 64 NES colour codes.
    std::array<std::int16_t, 64> NesRed{};
    std::array<std::int16_t, 64> NesGreen{};
    std::array<std::int16_t, 64> NesBlue{};

    // The background colours as the main window's metatile table last resolved them from
    // the palette bytes. Views that show them (the tool windows' swatches and pictures)
    // follow bgColorsChanged(); the palette bytes themselves may already differ.
    const BgColorSet &BgColors() const { return bgColors; }
    void setBgColors(const BgColorSet &colors);

    // Console Colours: the level map, the metatile table, its preview and the stage map
    // show colour 0 of every sub-palette in the colour of entry 0 (the backdrop), as the
    // console does, instead of entries 4, 8 and 12 from their own bytes. Off at first.
    bool consoleColors() const { return console; }
    void setConsoleColors(bool on);

signals:
    // Bytes [offset, offset + length) of the image were changed in place.
    void imageChanged(qint64 offset, qint64 length);
    // The whole image was replaced; its size may differ.
    void imageReplaced();
    void romFileNameChanged(const QString &path);
    // A stage was chosen (even the one shown) or taken off.
    void stageChanged();
    void bgColorsChanged();
    // Console Colours was turned on or off: the colours shown changed (bgColorsChanged()
    // follows).
    void consoleColorsChanged(bool on);

private:
    std::vector<std::uint8_t> RomData;
    const Stage *stage = nullptr;
    BgColorSet bgColors{};
    bool console = false;
};

} // namespace krelin
