#include "TableView.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"

namespace krelin {

void DrawTablePage(QImage &surface, const modKrelin &model, int page, const BgColorSet &colors)
{
    FastCls(surface, 10000, 10000);
    const SubPaletteColors &prepared = PrepareSubPalettes(colors);
    for (int i = 0; i < TableRows; ++i)
        for (int j = 0; j < TableColumns; ++j)
            DrawMetaTile(surface, model, 2 * j, 2 * i, TableMetaTile(page, j, i), colors, &prepared);
}

void DrawSelectedMetaTile(QImage &surface, const modKrelin &model, int n, const BgColorSet &colors)
{
    DrawMetaTile(surface, model, 0, 0, n, colors);
}

} // namespace krelin
