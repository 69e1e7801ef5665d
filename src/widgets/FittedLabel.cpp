#include "FittedLabel.h"

#include <algorithm>

namespace krelin {

QString ElidedText(const QFontMetrics &metrics, const QString &text, int width)
{
    return metrics.elidedText(text, Qt::ElideRight, std::max(width, 0));
}

FittedLabel::FittedLabel(const QString &name, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(name);
    // Its texts never widen what holds it.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void FittedLabel::setTexts(const QStringList &longestFirst)
{
    if (longestFirst == texts)
        return;
    texts = longestFirst;
    setToolTip(texts.value(0));
    fit();
}

void FittedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void FittedLabel::fit()
{
    const int room = contentsRect().width() - 2 * margin() - std::max(indent(), 0);
    const QFontMetrics metrics = fontMetrics();
    QString shown;
    for (const QString &text : texts) {
        shown = text;
        if (metrics.horizontalAdvance(text) <= room)
            break;
    }
    if (metrics.horizontalAdvance(shown) > room)
        shown = ElidedText(metrics, shown, room);
    if (text() != shown)
        setText(shown);
}

} // namespace krelin
