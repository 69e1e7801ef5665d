#include "MapHint.h"

#include "TilePainter.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>

namespace krelin {

void DrawMapHint(QImage &surface, const QString &text)
{
    FastCls(surface, surface.width(), surface.height());
    QPainter painter(&surface);
    QFont font = QGuiApplication::font();
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(HintColor));
    painter.drawText(surface.rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
}

} // namespace krelin
