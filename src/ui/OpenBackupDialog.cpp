#include "OpenBackupDialog.h"

#include "widgets/PlainText.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace krelin {

OpenBackupDialog::OpenBackupDialog(std::vector<Backup> kept, QWidget *parent)
    : QDialog(parent)
    , backups(std::move(kept))
{
    setObjectName(QStringLiteral("dlgOpenBackup"));
    setWindowTitle(QStringLiteral("Open Backup"));
    auto *layout = new QVBoxLayout(this);
    auto *note = new QLabel(backups.empty()
                                ? QStringLiteral("No backup has been kept yet: one is kept each time a save replaces "
                                                 "a file.")
                                : QStringLiteral("The files as they were before a save replaced them. The one you "
                                                 "open becomes an unsaved image: Save As stores it where you want."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);

    list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("lstBackups"));
    list->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Replaced"), QStringLiteral("Size")});
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    const QLocale locale;
    for (const Backup &backup : backups) {
        auto *item = new QTreeWidgetItem(list);
        item->setText(0, QFileInfo(backup.originalPath).fileName());
        item->setToolTip(0, PlainToolTip(QDir::toNativeSeparators(backup.originalPath)));
        item->setText(1, locale.toString(backup.time, QLocale::ShortFormat));
        item->setText(2, locale.formattedDataSize(backup.size));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (!backups.empty())
        list->setCurrentItem(list->topLevelItem(0));
    layout->addWidget(list);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Open)->setEnabled(!backups.empty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(480, 320);
}

const Backup *OpenBackupDialog::chosen() const
{
    const int row = list->indexOfTopLevelItem(list->currentItem());
    return row >= 0 && std::size_t(row) < backups.size() ? &backups[std::size_t(row)] : nullptr;
}

} // namespace krelin
