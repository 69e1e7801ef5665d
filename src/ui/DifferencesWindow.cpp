#include "DifferencesWindow.h"

#include "core/StageTable.h"
#include "widgets/AppIcon.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace krelin {

namespace {

// An entry's place, kept in its data: stage, kind, frame and item.
constexpr int PlaceRole = Qt::UserRole;

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
}

QString counted(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

QTreeWidgetItem *addEntry(QTreeWidgetItem *parent, const QString &text, const DiffPlace &place)
{
    auto *item = new QTreeWidgetItem(parent, {text});
    item->setData(0, PlaceRole,
                  QVariantList{place.stage, int(place.kind), place.frame, place.item});
    return item;
}

// The entries of one stage: each frame with a differing cell or room, then the metatiles,
// tiles and palette entries, in the order F7 walks them.
void addStageEntries(QTreeWidgetItem *stageItem, const StageDiff &d, int index)
{
    for (const int frame : d.frames()) {
        const auto cells = d.cellsOfFrame(frame);
        QStringList parts;
        if (!cells.empty())
            parts << counted(qsizetype(cells.size()), "cell", "cells");
        const auto room = std::find_if(d.rooms.begin(), d.rooms.end(), [&](const RoomDiff &r) { return r.frame == frame; });
        if (room != d.rooms.end())
            parts << QStringLiteral("room %1 → %2").arg(hex2(room->a), hex2(room->b));
        const DiffPlace place = cells.empty()
            ? DiffPlace{index, DiffKind::Room, frame, 0}
            : DiffPlace{index, DiffKind::Cell, frame, cells.front().row * FrameColumns + cells.front().column};
        addEntry(stageItem, QStringLiteral("Frame %1: %2").arg(frame).arg(parts.join(QStringLiteral(", "))), place);
    }
    for (const MetaTileDiff &m : d.metaTiles)
        addEntry(stageItem, QStringLiteral("Metatile %1").arg(hex2(m.metaTile)), {index, DiffKind::MetaTile, -1, m.metaTile});
    for (const int t : d.tiles)
        addEntry(stageItem, QStringLiteral("Tile %1").arg(hex2(t)), {index, DiffKind::Tile, -1, t});
    for (const PaletteDiff &p : d.palette)
        addEntry(stageItem, QStringLiteral("Palette entry %1: $%2 → $%3").arg(p.entry).arg(hex2(p.a), hex2(p.b)),
                 {index, DiffKind::PaletteEntry, -1, p.entry});
}

QString rangesText(const std::vector<ByteRange> &ranges)
{
    constexpr std::size_t Shown = 4;
    QStringList parts;
    for (std::size_t i = 0; i < ranges.size() && i < Shown; ++i)
        parts << QStringLiteral("0x%1 (%2)")
                     .arg(QString::number(ranges[i].offset, 16).toUpper(),
                          counted(ranges[i].length, "byte", "bytes"));
    if (ranges.size() > Shown)
        parts << QStringLiteral("… and %1 more").arg(ranges.size() - Shown);
    return parts.join(QStringLiteral(", "));
}

} // namespace

DifferencesWindow::DifferencesWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("frmDifferences"));
    setWindowIcon(AppIcon());
    setWindowTitle(QStringLiteral("Differences"));
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblDifferences"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextFormat(Qt::PlainText); // it names the other image's file
    tvDifferences = new QTreeWidget(this);
    tvDifferences->setObjectName(QStringLiteral("tvDifferences"));
    tvDifferences->setHeaderHidden(true);
    tvDifferences->setColumnCount(1);
    tvDifferences->setUniformRowHeights(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(lblSummary);
    layout->addWidget(tvDifferences);
    resize(300, 420);

    // A click, or Enter on the entry the keys reached.
    const auto choose = [this](QTreeWidgetItem *item) {
        if (const auto place = placeOf(item))
            emit placeChosen(*place);
    };
    connect(tvDifferences, &QTreeWidget::itemClicked, this, choose);
    connect(tvDifferences, &QTreeWidget::itemActivated, this, choose);
}

std::optional<DiffPlace> DifferencesWindow::placeOf(const QTreeWidgetItem *item)
{
    const QVariantList v = item ? item->data(0, PlaceRole).toList() : QVariantList();
    if (v.size() != 4)
        return std::nullopt;
    return DiffPlace{v[0].toInt(), DiffKind(v[1].toInt()), v[2].toInt(), v[3].toInt()};
}

void DifferencesWindow::showDifferences(const ImageDiff &diff, const QString &reference)
{
    setWindowTitle(QStringLiteral("Differences from %1").arg(reference));

    // What the user opened and selected stays so when the list is made again.
    QSet<int> expanded;
    const bool first = tvDifferences->topLevelItemCount() == 0;
    for (int i = 0; i < tvDifferences->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = tvDifferences->topLevelItem(i);
        if (item->isExpanded())
            if (const auto place = placeOf(item))
                expanded.insert(place->stage);
    }
    const auto selected = placeOf(tvDifferences->currentItem());
    const int scrolled = tvDifferences->verticalScrollBar() ? tvDifferences->verticalScrollBar()->value() : 0;

    tvDifferences->setUpdatesEnabled(false);
    tvDifferences->clear();
    qsizetype total = 0;
    for (const StageDiff *d : diff.differingStages()) {
        const int index = int(d - diff.stages().data());
        total += d->count();
        auto *stageItem = new QTreeWidgetItem(tvDifferences, {QStringLiteral("%1 (%2)").arg(
                                                                  d->stage->caption(),
                                                                  counted(d->count(), "difference", "differences"))});
        if (const auto start = diff.next({index, DiffKind::Cell, -1, -1}))
            stageItem->setData(0, PlaceRole, QVariantList{start->stage, int(start->kind), start->frame, start->item});
        addStageEntries(stageItem, *d, index);
        stageItem->setExpanded(first || expanded.contains(index));
    }
    const std::vector<ByteRange> other = diff.other();
    if (!other.empty())
        new QTreeWidgetItem(tvDifferences, {QStringLiteral("Other bytes: ") + rangesText(other)});
    const auto notCompared = diff.stagesNotCompared();
    if (!notCompared.empty()) {
        QStringList names;
        for (const Stage *s : notCompared)
            names << QLatin1String(s->name);
        new QTreeWidgetItem(tvDifferences, {QStringLiteral("Not compared (past the end of the shorter image): ")
                                                + names.join(QStringLiteral(", "))});
    }
    if (diff.sizeA() != diff.sizeB())
        new QTreeWidgetItem(tvDifferences, {QStringLiteral("Sizes: %1 has %2 bytes, the open image %3")
                                                .arg(reference)
                                                .arg(diff.sizeA())
                                                .arg(diff.sizeB())});
    if (selected)
        selectPlace(*selected);
    tvDifferences->verticalScrollBar()->setValue(scrolled);
    tvDifferences->setUpdatesEnabled(true);

    lblSummary->setText(diff.identical()
                            ? QStringLiteral("The open image is the same as %1.").arg(reference)
                            : QStringLiteral("%1 in %2 against %3. F7 and Shift+F7 go to the next and previous one.")
                                  .arg(counted(total, "difference", "differences"),
                                       counted(qsizetype(diff.differingStages().size()), "stage", "stages"),
                                       reference));
}

void DifferencesWindow::selectPlace(const DiffPlace &place)
{
    for (int i = 0; i < tvDifferences->topLevelItemCount(); ++i) {
        QTreeWidgetItem *stageItem = tvDifferences->topLevelItem(i);
        for (int k = 0; k < stageItem->childCount(); ++k) {
            QTreeWidgetItem *item = stageItem->child(k);
            const auto p = placeOf(item);
            const bool frameKind = place.kind == DiffKind::Cell || place.kind == DiffKind::Room;
            const bool same = p && p->stage == place.stage
                && (frameKind ? (p->kind == DiffKind::Cell || p->kind == DiffKind::Room) && p->frame == place.frame
                              : p->kind == place.kind && p->item == place.item);
            if (same) {
                tvDifferences->setCurrentItem(item);
                tvDifferences->scrollToItem(item);
                return;
            }
        }
    }
}

} // namespace krelin
