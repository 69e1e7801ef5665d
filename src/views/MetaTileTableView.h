#pragma once

#include "core/ImageLayout.h"

#include <QObject>
#include <QImage>

#include <bitset>

namespace krelin {

class modKrelin;

// The metatile table as the main window shows it: one page of sixteen metatiles on the
// table surface's image, the white frame on the cell under the pointer, the selected
// metatile on the preview surface's image and, with Show Uses, the metatiles that no
// frame uses dimmed. It draws in the colours the main window last resolved.
class MetaTileTableView : public QObject
{
    Q_OBJECT

public:
    MetaTileTableView(const modKrelin &model, QImage &tableImage, QImage &previewImage, QObject *parent = nullptr);

    int page() const { return shownPage; }

    // Draws page p whole.
    void draw(int page);
    // Paints metatile n on the preview, over what was there.
    void drawPreview(int metaTile);
    void clearPreview();
    void clear();

    // Repaints the metatiles given where the page or the preview shows them.
    void repaintMetaTiles(const std::bitset<MetaTileCount> &metaTiles);

    // With Show Uses: the metatiles shown dimmed (none without it). The cells of the page
    // whose look changes are repainted, unless told not to (the page is about to be drawn
    // whole).
    void setDimmed(const std::bitset<MetaTileCount> &metaTiles, bool repaint = true);

    // While comparing: the metatiles that differ from the other image carry a mark. The
    // cells of the page whose mark comes or goes are repainted, unless told not to.
    void setDifferences(const std::bitset<MetaTileCount> &metaTiles, bool repaint = true);
    const std::bitset<MetaTileCount> &differences() const { return differing; }

    // The white frame: leaves the cell it was on (which is repainted) for cell (col, row).
    void frameCell(int col, int row);

    // The selected metatile, which keeps a lasting mark while its page is shown (-1: none).
    void setMarked(int metaTile);

signals:
    // An image changed and should be shown.
    void tableChanged();
    void previewChanged();

private:
    void paintCell(int col, int row);
    // Repaints the cells of the page that show one of the metatiles given.
    void repaintCells(const std::bitset<MetaTileCount> &metaTiles);

    const modKrelin &model;
    QImage &tableImage;
    QImage &previewImage;
    int shownPage = 0;
    int previewed = -1; // the metatile on the preview, -1 while it is clear
    std::bitset<MetaTileCount> dimmed;
    std::bitset<MetaTileCount> differing;
    int framedCol = 0, framedRow = 0;
    int marked = -1;
};

} // namespace krelin
