#include "LevelView.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

namespace krelin {

void DrawLevelFrame(QImage &surface, const modKrelin &model, int frame, FrameCache &cache)
{
    FastCls(surface, 10000, 10000);
    for (int i = 0; i < FrameRows; ++i) {
        for (int j = 0; j < FrameColumns; ++j) {
            const std::int64_t offset = LevelCellOffset(model, frame, j, i);
            if (!model.holds(offset, 1)) {
                cache[16 * i + j] = 0;
                continue;
            }
            const int m = model.byteAt(offset);
            cache[16 * i + j] = std::int16_t(m);
            DrawMetaTile(surface, model, 2 * j, 2 * i, m);
        }
    }
}

} // namespace krelin
