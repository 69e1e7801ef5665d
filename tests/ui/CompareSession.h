#pragma once

// A main window on stage 3 of a copy of the sample, and beside it a copy with one cell,
// room, metatile, tile and palette entry of stage 3 changed: what the comparison and
// patch tests compare the window's image with.

#include "MainWindowSession.h"
#include "Bytes.h"

#include "core/StageTable.h"
#include "ui/CompareCommands.h"
#include "ui/DifferencesWindow.h"
#include "views/CellMarks.h"

#include <QTreeWidget>

namespace krelin::testing {

inline const Stage &StageThree = StageTable[S3];

struct Planted
{
    qint64 cell = LevelCellOffset(StageThree, 2, 4, 3);
    qint64 room = FrameRoomOffset(StageThree, 1);
    qint64 metaTile = QuadrantTileOffset(StageThree, 0x10, 3);
    qint64 tile = TileOffset(StageThree, 0x1C) + 3;
    qint64 palette = PaletteEntryOffset(StageThree, 5);
};

// The sample with one cell, room, metatile, tile and palette entry of stage 3 changed.
inline Bytes PlantedCopy(const Bytes &image)
{
    const Planted p;
    Bytes copy = image;
    copy[std::size_t(p.cell)] ^= 0x01;
    copy[std::size_t(p.room)] ^= 0x01;
    copy[std::size_t(p.metaTile)] ^= 0x01;
    copy[std::size_t(p.tile)] ^= 0x11;
    copy[std::size_t(p.palette)] = std::uint8_t((copy[std::size_t(p.palette)] + 1) & 0x3F);
    return copy;
}

inline bool WriteBytes(const QString &path, const Bytes &bytes)
{
    return WriteFile(path, QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
}

struct CompareSession : Session
{
    QString referencePath = dir.filePath(QStringLiteral("planted.nes"));

    CompareSession()
    {
        WriteBytes(referencePath, PlantedCopy(model.image()));
        Controls(window).mnuEdit_Level_Click(S3);
    }
    CompareCommands &compare() { return Part<CompareCommands>(window.get()); }
    bool compareWith(const QString &path)
    {
        desktop.openAnswers << path;
        return compare().mnuCompareWith_Click();
    }
    DifferencesWindow *list() { return compare().differencesWindow(); }
    // The entries under the stage entry whose text starts with caption.
    QStringList entries(const QString &caption)
    {
        QCoreApplication::processEvents(); // the list is made once the edits at hand are done
        QStringList out;
        QTreeWidget *tree = list()->list();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0).startsWith(caption + u' '))
                for (int k = 0; k < tree->topLevelItem(i)->childCount(); ++k)
                    out << tree->topLevelItem(i)->child(k)->text(0);
        return out;
    }
    QTreeWidgetItem *entry(const QString &caption, const QString &start)
    {
        QTreeWidget *tree = list()->list();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0).startsWith(caption + u' '))
                for (int k = 0; k < tree->topLevelItem(i)->childCount(); ++k)
                    if (tree->topLevelItem(i)->child(k)->text(0).startsWith(start))
                        return tree->topLevelItem(i)->child(k);
        return nullptr;
    }
    std::bitset<FrameBytes> markedCells() { return editor().mapView().differingCells(); }
    int frame() { return Controls(window).hLevel_Frames->value(); }
    int shownStage() { return model.currentStage() ? int(model.currentStage() - StageTable.data()) : -1; }
};

inline std::bitset<FrameBytes> CellsAt(std::initializer_list<std::pair<int, int>> cells)
{
    std::bitset<FrameBytes> out;
    for (const auto &[col, row] : cells)
        out.set(std::size_t(row * FrameColumns + col));
    return out;
}

inline bool HasDiffMark(const QImage &surface, int col, int row)
{
    return surface.pixel(CellPitch * col + 2, CellPitch * row + 12) == DiffMarkColor
        && surface.pixel(CellPitch * col + 12, CellPitch * row + 3) == DiffMarkColor;
}

} // namespace krelin::testing
