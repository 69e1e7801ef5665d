#include "RecoveryDialog.h"

#include "core/Version.h"
#include "widgets/Desktop.h"
#include "widgets/PlainText.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace krelin {

namespace {

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

RecoveryDialog::RecoveryDialog(std::vector<Row> list, Desktop &desktop, std::function<QString(int)> discardJournal,
                               QWidget *parent)
    : QDialog(parent)
    , rows(std::move(list))
    , desktop(desktop)
    , discard(std::move(discardJournal))
{
    setObjectName(QStringLiteral("dlgRecovery"));
    setWindowTitle(QStringLiteral("Recover Unsaved Changes"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("%1 sessions that ended unexpectedly left unsaved changes. Recover the "
                                            "changes of one of them, discard those you no longer need, or keep them "
                                            "for the next start with Not Now.")
                                 .arg(rows.size()),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    lstJournals = new QTreeWidget(this);
    lstJournals->setObjectName(QStringLiteral("lstJournals"));
    lstJournals->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Edits"), QStringLiteral("Last Written"),
                                  QStringLiteral("Size"), QStringLiteral("State")});
    lstJournals->setRootIsDecorated(false);
    lstJournals->setAllColumnsShowFocus(true);
    const QLocale locale;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row &row = rows[i];
        auto *item = new QTreeWidgetItem(lstJournals);
        item->setData(0, Qt::UserRole, int(i));
        item->setText(0, row.imageName);
        if (!row.imagePath.isEmpty())
            item->setToolTip(0, PlainToolTip(QDir::toNativeSeparators(row.imagePath)));
        item->setText(1, row.edits);
        item->setText(2, locale.toString(row.lastWritten, QLocale::ShortFormat));
        item->setText(3, locale.formattedDataSize(row.size));
        item->setText(4, row.state);
        for (int column : {1, 3})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    lstJournals->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(lstJournals);

    // The chosen journal's question in full: what is wrong with it, what can be done.
    lblQuestion = new QLabel(this);
    lblQuestion->setObjectName(QStringLiteral("lblQuestion"));
    lblQuestion->setTextFormat(Qt::PlainText);
    lblQuestion->setWordWrap(true);
    lblQuestion->setMinimumHeight(fontMetrics().lineSpacing() * 4);
    lblQuestion->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(lblQuestion);

    auto *buttons = new QHBoxLayout;
    cmdRecover = button(QStringLiteral("&Recover"), "cmdRecover", this);
    cmdDiscard = button(QStringLiteral("&Discard"), "cmdDiscard", this);
    cmdNotNow = button(QStringLiteral("&Not Now"), "cmdNotNow", this);
    cmdDiscardAll = button(QStringLiteral("Discard &All"), "cmdDiscardAll", this);
    cmdRecover->setDefault(true);
    buttons->addWidget(cmdRecover);
    buttons->addWidget(cmdDiscard);
    buttons->addWidget(cmdNotNow);
    buttons->addStretch();
    buttons->addWidget(cmdDiscardAll);
    layout->addLayout(buttons);
    connect(cmdRecover, &QPushButton::clicked, this, &RecoveryDialog::recoverCurrent);
    connect(cmdDiscard, &QPushButton::clicked, this, &RecoveryDialog::discardCurrent);
    connect(cmdNotNow, &QPushButton::clicked, this, &RecoveryDialog::takeCurrent);
    connect(cmdDiscardAll, &QPushButton::clicked, this, &RecoveryDialog::discardAll);
    connect(lstJournals, &QTreeWidget::currentItemChanged, this, &RecoveryDialog::showCurrent);
    connect(lstJournals, &QTreeWidget::itemActivated, this, [this] {
        if (cmdRecover->isEnabled())
            recoverCurrent();
    });

    lstJournals->setCurrentItem(lstJournals->topLevelItem(0));
    lstJournals->setFocus();
    resize(620, 400);
}

int RecoveryDialog::currentRow() const
{
    const QTreeWidgetItem *item = lstJournals->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void RecoveryDialog::showCurrent()
{
    const int row = currentRow();
    lblQuestion->setText(row >= 0 ? rows[std::size_t(row)].question : QString());
    cmdRecover->setEnabled(row >= 0 && rows[std::size_t(row)].canRecover);
    cmdDiscard->setEnabled(row >= 0);
    cmdNotNow->setEnabled(row >= 0);
}

// Takes the chosen journal off the list; the window closes with the last one.
void RecoveryDialog::takeCurrent()
{
    delete lstJournals->currentItem();
    if (lstJournals->topLevelItemCount() == 0)
        accept();
    else
        lstJournals->setFocus();
}

void RecoveryDialog::recoverCurrent()
{
    const int row = currentRow();
    if (row < 0 || !rows[std::size_t(row)].canRecover)
        return;
    recoverRow = row;
    accept();
}

bool RecoveryDialog::discardRow(int row)
{
    const QString why = discard(row);
    if (why.isEmpty())
        return true;
    desktop.showMessage(this, ProgramCaption(),
                        QStringLiteral("Cannot delete the journal of %1: %2.").arg(rows[std::size_t(row)].imageName, why),
                        Desktop::Icon::Warning);
    return false;
}

void RecoveryDialog::discardCurrent()
{
    const int row = currentRow();
    if (row >= 0 && discardRow(row))
        takeCurrent();
}

void RecoveryDialog::discardAll()
{
    const int count = lstJournals->topLevelItemCount();
    if (!desktop.askYesNo(this, ProgramCaption(),
                          QStringLiteral("Discard the unsaved changes of all %1 sessions in the list? They cannot be "
                                         "recovered afterwards.")
                              .arg(count)))
        return;
    for (int i = count - 1; i >= 0; --i) {
        QTreeWidgetItem *item = lstJournals->topLevelItem(i);
        if (discardRow(item->data(0, Qt::UserRole).toInt()))
            delete item;
    }
    if (lstJournals->topLevelItemCount() == 0)
        accept();
}

} // namespace krelin
