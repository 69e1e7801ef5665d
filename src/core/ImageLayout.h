#pragma once

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdint>

namespace krelin {

// Where everything the editor shows lies in the cartridge image. Every offset is a file
// offset (the 16-byte header included). Nothing else in the program computes one: the
// drawings, the edits, the windows and the command line all ask here.

// Sizes of the data a stage reads and writes.
inline constexpr int TileBytes = 16;
inline constexpr int TilesPerBank = 256;
inline constexpr int MetaTileCount = 256;
inline constexpr int MetaTileRecordBytes = 4; // one tile number per quadrant
inline constexpr int FrameColumns = 16;
inline constexpr int FrameRows = 15;
inline constexpr int FrameBytes = FrameColumns * FrameRows; // 240
inline constexpr int PaletteBytes = 16;
inline constexpr int TablePages = 16;

// The colours a stage's sixteen palette bytes stand for, each red + 256 green + 65536
// blue; entries 4p..4p+3 are sub-palette p.
using BgColorSet = std::array<std::int32_t, PaletteBytes>;

// Where one stage's data starts: its tiles (16 bytes each), its metatile records (four
// tile numbers each), their sub-palette bytes, its sixteen background palette bytes, its
// level map (240 bytes a frame) and its frame-to-room table (one byte a frame).
struct StageOffsets
{
    std::int32_t ChrOffset = 0;
    std::int32_t MetaTileOffset = 0;
    std::int32_t MetaPalOffset = 0;
    std::int32_t PalOffset = 0;
    std::int32_t LevelOffset = 0;
    std::int32_t FrameTableOffset = 0;
};

// A run of image bytes [offset, offset + length).
struct ByteRange
{
    qint64 offset = 0;
    qint64 length = 0;

    qint64 end() const { return offset + length; }
    bool isEmpty() const { return length <= 0; }
    bool contains(qint64 at) const { return at >= offset && at < end(); }
    bool overlaps(const ByteRange &other) const
    {
        return !isEmpty() && !other.isEmpty() && offset < other.end() && other.offset < end();
    }
    // The bytes both hold; empty when they do not overlap.
    ByteRange intersected(const ByteRange &other) const
    {
        const qint64 from = std::max(offset, other.offset), to = std::min(end(), other.end());
        return to > from ? ByteRange{from, to - from} : ByteRange{from, 0};
    }
    bool operator==(const ByteRange &) const = default;
};

// ---- one thing's place ------------------------------------------------------------------------

// Frame f of the level map: 15 rows of 16 metatile numbers, row by row.
inline qint64 FrameOffset(const StageOffsets &s, int frame)
{
    return qint64(s.LevelOffset) + qint64(FrameBytes) * frame;
}

// The metatile number in cell (column, row) of frame f.
inline qint64 LevelCellOffset(const StageOffsets &s, int frame, int column, int row)
{
    return FrameOffset(s, frame) + qint64(FrameColumns) * row + column;
}

// The room byte of frame f in the frame-to-room table.
inline qint64 FrameRoomOffset(const StageOffsets &s, int frame)
{
    return qint64(s.FrameTableOffset) + frame;
}

// The tile number of quadrant q (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right)
// of metatile n.
inline qint64 QuadrantTileOffset(const StageOffsets &s, int metaTile, int quadrant)
{
    return qint64(s.MetaTileOffset) + qint64(MetaTileRecordBytes) * metaTile + quadrant;
}

// The sub-palette byte of metatile n.
inline qint64 SubPaletteOffset(const StageOffsets &s, int metaTile)
{
    return qint64(s.MetaPalOffset) + metaTile;
}

// The first of the 16 bytes of tile t.
inline qint64 TileOffset(const StageOffsets &s, int tile)
{
    return qint64(s.ChrOffset) + qint64(TileBytes) * tile;
}

// Background palette entry e (0..15): entries 4p..4p+3 are sub-palette p.
inline qint64 PaletteEntryOffset(const StageOffsets &s, int entry)
{
    return qint64(s.PalOffset) + entry;
}

// ---- whole tables -------------------------------------------------------------------------

inline ByteRange TilesRange(const StageOffsets &s)
{
    return {s.ChrOffset, qint64(TilesPerBank) * TileBytes};
}

inline ByteRange MetaTileRecordsRange(const StageOffsets &s)
{
    return {s.MetaTileOffset, qint64(MetaTileCount) * MetaTileRecordBytes};
}

inline ByteRange SubPalettesRange(const StageOffsets &s)
{
    return {s.MetaPalOffset, MetaTileCount};
}

inline ByteRange PaletteRange(const StageOffsets &s)
{
    return {s.PalOffset, PaletteBytes};
}

// Frames 0..frames-1 of the level map.
inline ByteRange LevelRange(const StageOffsets &s, int frames)
{
    return {s.LevelOffset, qint64(FrameBytes) * frames};
}

inline ByteRange FrameTableRange(const StageOffsets &s, int frames)
{
    return {s.FrameTableOffset, frames};
}

// ---- what a byte is -------------------------------------------------------------------------

// The index of the thing of size bytes, in a table of count of them starting at start,
// that holds the byte at offset; -1 when it lies outside the table.
inline int ItemAt(qint64 start, int size, int count, qint64 offset)
{
    if (offset < start || offset >= start + qint64(size) * count)
        return -1;
    return int((offset - start) / size);
}

// The metatile whose record holds the byte at offset, or -1.
inline int MetaTileOfRecordByte(const StageOffsets &s, qint64 offset)
{
    return ItemAt(s.MetaTileOffset, MetaTileRecordBytes, MetaTileCount, offset);
}

// The metatile whose sub-palette byte is at offset, or -1.
inline int MetaTileOfSubPaletteByte(const StageOffsets &s, qint64 offset)
{
    return ItemAt(s.MetaPalOffset, 1, MetaTileCount, offset);
}

// The tile that holds the byte at offset, or -1.
inline int TileOfByte(const StageOffsets &s, qint64 offset)
{
    return ItemAt(s.ChrOffset, TileBytes, TilesPerBank, offset);
}

// The cell (16 row + column) of frame f that the byte at offset holds, or -1.
inline int FrameCellOfByte(const StageOffsets &s, int frame, qint64 offset)
{
    return ItemAt(FrameOffset(s, frame), 1, FrameBytes, offset);
}

// The frame, of frames 0..frames-1, whose level-map bytes hold the byte at offset, or -1.
inline int FrameOfLevelByte(const StageOffsets &s, int frames, qint64 offset)
{
    return ItemAt(s.LevelOffset, FrameBytes, frames, offset);
}

// The frame, of frames 0..frames-1, whose room byte is at offset, or -1.
inline int FrameOfRoomByte(const StageOffsets &s, int frames, qint64 offset)
{
    return ItemAt(s.FrameTableOffset, 1, frames, offset);
}

// The background palette entry at offset, or -1.
inline int PaletteEntryOfByte(const StageOffsets &s, qint64 offset)
{
    return ItemAt(s.PalOffset, 1, PaletteBytes, offset);
}

} // namespace krelin
