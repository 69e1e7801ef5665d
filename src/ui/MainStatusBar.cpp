#include "MainStatusBar.h"

#include "core/modKrelin.h"
#include "render/TableView.h"
#include "views/LevelEditor.h"
#include "views/MapTools.h"
#include "widgets/PictureSurface.h"

#include <QLabel>
#include <QScrollBar>

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
    QString pointer;
    if (shown && pointerOver == Pointer::Map)
        pointer = MapCellStatus(*model, tools->cell().frame, tools->cell().col, tools->cell().row);
    else if (shown && pointerOver == Pointer::Table)
        pointer = TableCellStatus(*model, TableMetaTile(editor->page(), editor->TableCol(), editor->TableRow()));
    showPointer(pointer);
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
    // Cut short by the fields beside it, the whole of it is still there to read.
    lblPointer->setToolTip(text);
}

} // namespace krelin
