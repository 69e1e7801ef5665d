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

// The one model of the program: the cartridge image held as raw bytes, the master
// palette, the resolved background colours and the current stage's offsets. main()
// makes one and hands it to every window by reference.
//
// Reads of the image are bounds-checked; every write goes through writeBytes(), the
// single place where "the image changed" is announced. Edits reach it as steps of the
// edit history, which also keeps the modified state here.
class modKrelin : public QObject, public StageOffsets
{
    Q_OBJECT

public:
    explicit modKrelin(QObject *parent = nullptr);

    // ---- the image -------------------------------------------------------------
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

    // Replaces the whole image, as opening a file does. Not an edit: the new image
    // starts unmodified.
    void replaceImage(std::vector<std::uint8_t> bytes);

    // Replaces the image's bytes as an edit: a patch applied, or that step undone or
    // redone, which may change the image's size (writeBytes never does). The history and
    // the modified state stay as they are; announces the whole new image as changed.
    // Only the step that applies a patch uses it: every other edit goes through
    // writeBytes.
    void rewriteImage(std::vector<std::uint8_t> bytes);

    // Whether the image differs from the file it came from. Kept by the edit history:
    // true exactly while the history is away from the step last saved.
    bool isModified() const { return modified; }
    void setModified(bool value);

    // ---- program-wide state ------------------------------------------------------
    // Master palette: red, green and blue (0..255) of the 64 NES colour codes.
    std::array<std::int16_t, 64> NesRed{};
    std::array<std::int16_t, 64> NesGreen{};
    std::array<std::int16_t, 64> NesBlue{};

    // The current stage's sixteen background colours, red + 256 green + 65536 blue;
    // entries 4p..4p+3 are sub-palette p.
    std::array<std::int32_t, 16> BgColors{};

    // The current stage's offsets (the StageOffsets this class is) are 0 until a stage
    // is chosen and set only by choosing one; so are its rooms.
    std::int16_t FirstRoom = 0;
    std::int16_t LastRoom = 0;

    // Loads a stage table row into the offsets above.
    void ApplyStage(const Stage &stage);
    // The stage table row last loaded; nullptr before the first.
    const Stage *CurrentStage = nullptr;

    // Full path of the file last opened or saved under a new name; empty before.
    QString RomFileName;

signals:
    // Bytes [offset, offset + length) of the image were changed by an edit. After
    // rewriteImage() they are all of the new image's bytes, and its size may differ.
    void imageChanged(qint64 offset, qint64 length);
    // The whole image was replaced (a file was opened).
    void imageReplaced();
    void modifiedChanged(bool modified);

private:
    std::vector<std::uint8_t> RomData;
    bool modified = false;
};

} // namespace krelin
