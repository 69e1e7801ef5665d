#include "frmStamps.h"

#include "core/modKrelin.h"
#include "render/Palette.h"
#include "render/StageMapPicture.h"
#include "widgets/AppIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace krelin {

namespace {

// The stamp as the map shows it, a metatile 16 pixels square, in the stage's colours.
QPixmap stampPicture(const modKrelin &model, const Stamp &stamp)
{
    StageMapPainter painter;
    QImage picture(stamp.columns * StageMapMetaTile, stamp.rows * StageMapMetaTile, QImage::Format_RGB32);
    for (int row = 0; row < stamp.rows; ++row)
        for (int col = 0; col < stamp.columns; ++col)
            painter.paintCell(picture, model, 0, col, row, stamp.at(col, row), ShownColors(model));
    return QPixmap::fromImage(picture);
}

} // namespace

frmStamps::frmStamps(const modKrelin &model, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , model(model)
{
    setObjectName(QStringLiteral("frmStamps"));
    setWindowTitle(QStringLiteral("Stamps"));
    setWindowIcon(AppIcon());
    lblStamps = new QLabel(this);
    lblStamps->setObjectName(QStringLiteral("lblStamps"));
    lstStamps = new QListWidget(this);
    lstStamps->setObjectName(QStringLiteral("lstStamps"));
    lstStamps->setIconSize(QSize(96, 64));
    lstStamps->setToolTip(QStringLiteral("Click a stamp (or press Enter) to take it up; place it as a pasted stamp"));
    cmdRename = new QPushButton(QStringLiteral("&Rename\u2026"), this);
    cmdRename->setObjectName(QStringLiteral("cmdRenameStamp"));
    cmdRemove = new QPushButton(QStringLiteral("Re&move"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemoveStamp"));
    cmdFlip = new QPushButton(QStringLiteral("&Flip Left to Right"), this);
    cmdFlip->setObjectName(QStringLiteral("cmdFlipStamp"));
    lblStampsNote = new QLabel(this);
    lblStampsNote->setObjectName(QStringLiteral("lblStampsNote"));
    lblStampsNote->setWordWrap(true);
    lblStampsNote->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdRename);
    buttons->addWidget(cmdRemove);
    buttons->addWidget(cmdFlip);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblStamps);
    layout->addWidget(lstStamps, 1);
    layout->addLayout(buttons);
    layout->addWidget(lblStampsNote);
    resize(340, 420);

    const auto index = [this] { return lstStamps->currentRow(); };
    connect(lstStamps, &QListWidget::itemClicked, this, [this, index] { emit stampTaken(index()); });
    connect(lstStamps, &QListWidget::itemActivated, this, [this, index] { emit stampTaken(index()); });
    connect(lstStamps, &QListWidget::currentRowChanged, this, &frmStamps::updateEnabled);
    connect(cmdRename, &QPushButton::clicked, this, [this, index] { emit renameWanted(index()); });
    connect(cmdRemove, &QPushButton::clicked, this, [this, index] { emit removeWanted(index()); });
    connect(cmdFlip, &QPushButton::clicked, this, [this, index] { emit flipWanted(index()); });
    updateEnabled();
}

void frmStamps::showStamps(const QString &heading, const std::vector<KeptStamp> &stamps, const QString &note)
{
    const int current = lstStamps->currentRow();
    lblStamps->setText(heading);
    lstStamps->clear();
    for (const KeptStamp &kept : stamps) {
        auto *item = new QListWidgetItem(
            QIcon(stampPicture(model, kept.stamp)),
            QStringLiteral("%1\n%2 \u00D7 %3").arg(kept.name).arg(kept.stamp.columns).arg(kept.stamp.rows), lstStamps);
        item->setToolTip(kept.name);
    }
    lstStamps->setCurrentRow(std::min(current, int(stamps.size()) - 1));
    lblStampsNote->setText(note);
    lblStampsNote->setVisible(!note.isEmpty());
    updateEnabled();
}

int frmStamps::chosen() const
{
    return lstStamps->currentRow();
}

void frmStamps::updateEnabled()
{
    const bool one = lstStamps->currentRow() >= 0;
    for (QPushButton *button : {cmdRename, cmdRemove, cmdFlip})
        button->setEnabled(one);
}

} // namespace krelin
