#include "PreferencesDialog.h"

#include "EmulatorDialog.h"
#include "core/Preferences.h"
#include "widgets/Desktop.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace krelin {

PreferencesDialog::PreferencesDialog(Preferences &preferences, KeyboardShortcuts &shortcuts, Desktop &desktop,
                                     QWidget *parent)
    : QDialog(parent)
    , preferences(preferences)
    , shortcuts(shortcuts)
    , desktop(desktop)
{
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(QStringLiteral("Preferences"));
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));

    QFormLayout *notices = addPage(QStringLiteral("pageNotices"), QStringLiteral("&Notices"));
    chkTileEditorNotice = new QCheckBox(QStringLiteral("Show “Editor Must Refresh!” on leaving the tile editor"));
    chkTileEditorNotice->setObjectName(QStringLiteral("chkTileEditorNotice"));
    chkTileEditorNotice->setToolTip(QStringLiteral("Off: the main window shows each change of the tile editor at once"));
    chkPaletteQuestion = new QCheckBox(QStringLiteral("Ask “Do You Wish To Refresh The Editor?” after a palette colour"));
    chkPaletteQuestion->setObjectName(QStringLiteral("chkPaletteQuestion"));
    chkPaletteQuestion->setToolTip(QStringLiteral("Off: the main window shows each new colour at once, as Yes does"));
    chkTiledSaveQuestion = new QCheckBox(QStringLiteral("Ask before taking in a stage saved in Tiled"));
    chkTiledSaveQuestion->setObjectName(QStringLiteral("chkTiledSaveQuestion"));
    chkTiledSaveQuestion->setToolTip(QStringLiteral("Off: each save of Tools ▸ Edit Stage in Tiled is taken in at once"));
    notices->addRow(chkTileEditorNotice);
    notices->addRow(chkPaletteQuestion);
    notices->addRow(chkTiledSaveQuestion);

    QFormLayout *emulator = addPage(QStringLiteral("pageEmulator"), QStringLiteral("&Emulator"));
    txtEmulatorCommand = new QLineEdit;
    txtEmulatorCommand->setObjectName(QStringLiteral("txtEmulatorCommand"));
    txtEmulatorCommand->setPlaceholderText(QStringLiteral("fceux %f"));
    txtEmulatorCommand->setMinimumWidth(300);
    cmdBrowse = new QPushButton(QStringLiteral("&Browse…"));
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addWidget(txtEmulatorCommand);
    row->addWidget(cmdBrowse);
    emulator->addRow(new QLabel(QStringLiteral("The command that runs the emulator; %f stands for the image:")));
    emulator->addRow(row);

    QFormLayout *tiled = addPage(QStringLiteral("pageTiled"), QStringLiteral("&Tiled"));
    txtTiledCommand = new QLineEdit;
    txtTiledCommand->setObjectName(QStringLiteral("txtTiledCommand"));
    txtTiledCommand->setPlaceholderText(QStringLiteral("tiled %f"));
    txtTiledCommand->setMinimumWidth(300);
    cmdBrowseTiled = new QPushButton(QStringLiteral("B&rowse…"));
    cmdBrowseTiled->setObjectName(QStringLiteral("cmdBrowseTiled"));
    cmdBrowseTiled->setAutoDefault(false);
    auto *tiledRow = new QHBoxLayout;
    tiledRow->addWidget(txtTiledCommand);
    tiledRow->addWidget(cmdBrowseTiled);
    tiled->addRow(new QLabel(QStringLiteral("The command that starts Tiled on a stage's map; %f stands for the map:")));
    tiled->addRow(tiledRow);

    QFormLayout *files = addPage(QStringLiteral("pageFiles"), QStringLiteral("&Files"));
    spnBackupsKept = new QSpinBox;
    spnBackupsKept->setObjectName(QStringLiteral("spnBackupsKept"));
    spnBackupsKept->setRange(0, Preferences::MaxBackupsKept);
    spnBackupsKept->setSpecialValueText(QStringLiteral("None"));
    spnBackupsKept->setToolTip(QStringLiteral("Every save first keeps the file as it was; File ▸ Open Backup opens them"));
    files->addRow(QStringLiteral("&Backups kept of each file:"), spnBackupsKept);

    createKeysPage();

    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    cmdOK = buttons->button(QDialogButtonBox::Ok);
    cmdApply = buttons->button(QDialogButtonBox::Apply);
    connect(cmdApply, &QPushButton::clicked, this, &PreferencesDialog::apply);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        const QString browsed = BrowseForEmulator(this->desktop, this, txtEmulatorCommand->text().trimmed());
        if (!browsed.isEmpty())
            txtEmulatorCommand->setText(browsed);
    });
    connect(cmdBrowseTiled, &QPushButton::clicked, this, [this] {
        const QString browsed =
            BrowseForEmulator(this->desktop, this, txtTiledCommand->text().trimmed(), QStringLiteral("Tiled"));
        if (!browsed.isEmpty())
            txtTiledCommand->setText(browsed);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    load();
}

void PreferencesDialog::showEvent(QShowEvent *event)
{
    load();
    QDialog::showEvent(event);
}

QFormLayout *PreferencesDialog::addPage(const QString &name, const QString &title)
{
    auto *page = new QWidget;
    page->setObjectName(name);
    auto *form = new QFormLayout(page);
    tabs->addTab(page, title);
    return form;
}

void PreferencesDialog::load()
{
    chkTileEditorNotice->setChecked(preferences.tileEditorNotice());
    chkPaletteQuestion->setChecked(preferences.paletteQuestion());
    txtEmulatorCommand->setText(preferences.emulatorCommand());
    chkTiledSaveQuestion->setChecked(preferences.tiledSaveQuestion());
    txtTiledCommand->setText(preferences.tiledCommand());
    spnBackupsKept->setValue(preferences.backupsKept());
    const auto &entries = shortcuts.entries();
    for (std::size_t row = 0; row < entries.size(); ++row)
        setPendingKeys(int(row), entries[row].keys);
}

void PreferencesDialog::apply()
{
    preferences.setTileEditorNotice(chkTileEditorNotice->isChecked());
    preferences.setPaletteQuestion(chkPaletteQuestion->isChecked());
    if (txtEmulatorCommand->text().trimmed() != preferences.emulatorCommand())
        preferences.setEmulatorCommand(txtEmulatorCommand->text().trimmed());
    preferences.setTiledSaveQuestion(chkTiledSaveQuestion->isChecked());
    if (txtTiledCommand->text().trimmed() != preferences.tiledCommand())
        preferences.setTiledCommand(txtTiledCommand->text().trimmed());
    preferences.setBackupsKept(spnBackupsKept->value());
    shortcuts.setAllKeys(pendingKeys);
}

} // namespace krelin
