#include "PlayerPreferencesPage.h"

#include "core/Preferences.h"
#include "player/CoreLocator.h"
#include "widgets/Desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace krelin {

PlayerPreferencesPage::PlayerPreferencesPage(Desktop &desktop, QWidget *parent) : QWidget(parent), desktop(desktop)
{
    setObjectName(QStringLiteral("pagePlayer"));
    QStringList folders;
    for (const QString &folder : LibretroFolders())
        folders << QDir::toNativeSeparators(folder);
    auto *found = new QLabel(QStringLiteral("NES cores found in %1:").arg(folders.join(QStringLiteral(", "))));
    found->setWordWrap(true);
    lstCores = new QListWidget;
    lstCores->setObjectName(QStringLiteral("lstCores"));
    lstCores->setMinimumHeight(90);
    txtCore = new QLineEdit;
    txtCore->setObjectName(QStringLiteral("txtCore"));
    txtCore->setPlaceholderText(QStringLiteral("the first core found"));
    txtCore->setToolTip(QStringLiteral("A libretro core file (.so) to play with; empty: the first core found"));
    cmdBrowseCore = new QPushButton(QStringLiteral("B&rowse…"));
    cmdBrowseCore->setObjectName(QStringLiteral("cmdBrowseCore"));
    cmdBrowseCore->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addWidget(txtCore, 1);
    row->addWidget(cmdBrowseCore);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(found);
    layout->addWidget(lstCores);
    layout->addWidget(new QLabel(QStringLiteral("The core to play with:")));
    layout->addLayout(row);

    connect(lstCores, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (const QString path = item->data(Qt::UserRole).toString(); !path.isEmpty())
            txtCore->setText(path);
    });
    connect(cmdBrowseCore, &QPushButton::clicked, this, [this] {
        const QString start = txtCore->text().isEmpty() ? LibretroFolders().value(0) : txtCore->text();
        const QString path = this->desktop.getOpenFileName(this, QStringLiteral("Core"), start,
                                                           QStringLiteral("libretro cores (*.so);;All files (*)"));
        if (!path.isEmpty())
            txtCore->setText(path);
    });
}

void PlayerPreferencesPage::load(const Preferences &preferences)
{
    lstCores->clear();
    const QStringList cores = FindNesCores();
    for (const QString &core : cores) {
        auto *item = new QListWidgetItem(QDir::toNativeSeparators(core), lstCores);
        item->setData(Qt::UserRole, core);
    }
    if (cores.isEmpty())
        new QListWidgetItem(QStringLiteral("None: install the package %1, or name a core file below.").arg(QLatin1String(CorePackage)),
                            lstCores);
    txtCore->setText(preferences.playerCore());
}

void PlayerPreferencesPage::apply(Preferences &preferences) const
{
    preferences.setPlayerCore(txtCore->text().trimmed());
}

} // namespace krelin
