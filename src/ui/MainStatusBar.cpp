#include "MainStatusBar.h"

#include <QLabel>

namespace krelin {

namespace {

// A field of the right-hand side, wide enough for its longest text so that the fields
// keep their places while the numbers change.
QLabel *placeField(QStatusBar *bar, const char *name, const QString &widest)
{
    auto *label = new QLabel(bar);
    label->setObjectName(QLatin1String(name));
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 4);
    label->setAlignment(Qt::AlignCenter);
    bar->addPermanentWidget(label);
    return label;
}

void setText(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

} // namespace

MainStatusBar::MainStatusBar(QWidget *parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("statusBar"));
    // The window has a fixed size: nothing to grip.
    setSizeGripEnabled(false);
    setContentsMargins(4, 0, 4, 0);
    lblPointer = new QLabel(this);
    lblPointer->setObjectName(QStringLiteral("lblPointer"));
    // Its text never widens the window: a longer one is cut off at the fields' edge.
    lblPointer->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(lblPointer, 1);
    lblStage = placeField(this, "lblStage", QStringLiteral("Stage 2A"));
    lblFrame = placeField(this, "lblFrame", QStringLiteral("Frame 23 / 24"));
    lblPage = placeField(this, "lblPage", QStringLiteral("Page 15 / 16"));
    lblMetaTile = placeField(this, "lblMetaTile", QStringLiteral("Metatile 8B"));
}

void MainStatusBar::showPlace(const PlaceTexts &place)
{
    setText(lblStage, place.stage);
    setText(lblFrame, place.frame);
    setText(lblPage, place.page);
    setText(lblMetaTile, place.metaTile);
}

void MainStatusBar::showPointer(const QString &text)
{
    setText(lblPointer, text);
}

} // namespace krelin
