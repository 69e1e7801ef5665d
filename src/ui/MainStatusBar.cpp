#include "MainStatusBar.h"

#include "core/modKrelin.h"
#include "render/TableView.h"
#include "views/LevelEditor.h"
#include "views/MapTools.h"
#include "widgets/FittedLabel.h"
#include "widgets/PictureSurface.h"

#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>

#include <algorithm>

namespace krelin {

namespace {

// A field of the right-hand side, wide enough for its longest text so that the fields
// keep their places while the numbers change.
QLabel *placeField(QStatusBar *bar, const char *name, const QString &widest)
{
    auto *label = new QLabel(bar);
    label->setObjectName(QLatin1String(name));
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 2);
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
    // Its text never widens the window: where the whole does not fit beside the fields,
    // it shows the brief form, or cuts that short with "…".
    lblPointer = new FittedLabel(QStringLiteral("lblPointer"), this);
    addWidget(lblPointer, 1);
    lblStage = placeField(this, "lblStage", QStringLiteral("Stage 2A"));
    lblFrame = placeField(this, "lblFrame", QStringLiteral("Frame 23 / 24"));
    lblPage = placeField(this, "lblPage", QStringLiteral("Page 15 / 16"));
    lblMetaTile = placeField(this, "lblMetaTile", QStringLiteral("Metatile 8B"));
    // A message cut short is there whole to read.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString &message) { setToolTip(message); });
}

void MainStatusBar::follow(const modKrelin &model, const LevelEditor &editor, const MapTools &tools,
                           PictureSurface *map, PictureSurface *table, QScrollBar *frames, QScrollBar *pages)
{
    this->model = &model;
    this->editor = &editor;
    this->tools = &tools;
    // The pointer on the stage map, or the keys on either map, move the cell too.
    connect(&tools, &MapTools::cellChanged, this, [this] {
        if (this->tools->inSight())
            pointerOver = Pointer::Map;
        else if (pointerOver == Pointer::Map)
            pointerOver = Pointer::None;
        showStatus();
    });
    connect(&editor, &LevelEditor::tableCellChanged, this, [this] {
        pointerOver = Pointer::Table;
        showStatus();
    });
    connect(map, &PictureSurface::mouseMoved, this, [this] {
        pointerOver = Pointer::Map;
        showStatus();
    });
    connect(table, &PictureSurface::mouseMoved, this, [this] {
        pointerOver = Pointer::Table;
        showStatus();
    });
    for (PictureSurface *surface : {map, table})
        connect(surface, &PictureSurface::pointerLeft, this, [this] {
            pointerOver = Pointer::None;
            showStatus();
        });
    connect(table, &PictureSurface::clicked, this, &MainStatusBar::showStatus);
    for (QScrollBar *bar : {frames, pages})
        connect(bar, &QScrollBar::valueChanged, this, &MainStatusBar::showStatus);
    // An edit can change the metatile under the pointer.
    connect(&model, &modKrelin::imageChanged, this, &MainStatusBar::showStatus);
    for (auto changed : {&modKrelin::imageReplaced, &modKrelin::stageChanged})
        connect(&model, changed, this, &MainStatusBar::showStatus);
    for (auto drawn : {&LevelEditor::levelDrawn, &LevelEditor::stageUnloaded})
        connect(&editor, drawn, this, &MainStatusBar::showStatus);
    connect(&editor, &LevelEditor::metaTileSelected, this, &MainStatusBar::showStatus);
    showStatus();
}

void MainStatusBar::showStatus()
{
    const bool shown = editor->stageLoaded();
    showPlace(PlaceStatus(model->currentStage(), editor->frame(), editor->page(), editor->SelectedMetaTile()));
    QStringList pointer;
    for (const TextLength length : {TextLength::Full, TextLength::Brief}) {
        if (shown && pointerOver == Pointer::Map)
            pointer << MapCellStatus(*model, tools->cell().frame, tools->cell().col, tools->cell().row, length);
        else if (shown && pointerOver == Pointer::Table)
            pointer << TableCellStatus(*model, TableMetaTile(editor->page(), editor->TableCol(), editor->TableRow()),
                                       length);
    }
    showPointer(pointer);
}

void MainStatusBar::showPlace(const PlaceTexts &place)
{
    setText(lblStage, place.stage);
    setText(lblFrame, place.frame);
    setText(lblPage, place.page);
    setText(lblMetaTile, place.metaTile);
}

void MainStatusBar::showPointer(const QStringList &longestFirst)
{
    lblPointer->setTexts(longestFirst);
}

QList<QWidget *> MainStatusBar::fieldsOnTheRight() const
{
    QList<QWidget *> fields;
    for (QWidget *field : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (field != lblPointer && field->isVisible())
            fields << field;
    return fields;
}

QRect MainStatusBar::messageRoom() const
{
    // Where QStatusBar puts a message: from the left edge to the first field on the right.
    int right = width() - 12;
    for (const QWidget *field : fieldsOnTheRight())
        right = std::min(right, field->x() - 2);
    return QRect(6, 0, std::max(right - 6, 0), height());
}

QString MainStatusBar::shownMessage() const
{
    return ElidedText(fontMetrics(), currentMessage(), messageRoom().width());
}

void MainStatusBar::paintEvent(QPaintEvent *event)
{
    if (currentMessage().isEmpty()) {
        QStatusBar::paintEvent(event);
        return;
    }
    // As QStatusBar paints a message, but cut with "…" where the fields begin instead of
    // under them: a note is never cut without a sign.
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
    for (QWidget *field : fieldsOnTheRight()) {
        QStyleOption frame(0);
        frame.rect = field->geometry().adjusted(-2, -1, 2, 1);
        frame.palette = palette();
        frame.state = QStyle::State_None;
        style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &frame, &painter, field);
    }
    painter.setPen(palette().windowText().color());
    painter.drawText(messageRoom(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine, shownMessage());
}

} // namespace krelin
