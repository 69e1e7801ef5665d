#include "TableView.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"

namespace krelin {

void DrawTablePage(QImage &surface, const modKrelin &model, int page)
{
    FastCls(surface, 10000, 10000);
    const SubPaletteColors &prepared = PrepareSubPalettes(model);
    for (int i = 0; i < TableRows; ++i)
        for (int j = 0; j < TableColumns; ++j)
            DrawMetaTile(surface, model, 2 * j, 2 * i, TableMetaTile(page, j, i), &prepared);
}

void DrawSelectedMetaTile(QImage &surface, const modKrelin &model, int n)
{
    DrawMetaTile(surface, model, 0, 0, n);
}

} // namespace krelin
