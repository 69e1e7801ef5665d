// The Keys page of the Preferences dialog: every action of the main window with its keys,
// and an editor for the chosen one's. A key that another action has is refused, naming it.
#include "PreferencesDialog.h"

#include "widgets/Desktop.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace krelin {

namespace {

QString keysText(const KeyList &keys)
{
    return QKeySequence::listToString(keys, QKeySequence::NativeText);
}

} // namespace

void PreferencesDialog::createKeysPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageKeys"));
    tabs->addTab(page, QStringLiteral("&Keys"));

    lstShortcuts = new QTreeWidget;
    lstShortcuts->setObjectName(QStringLiteral("lstShortcuts"));
    lstShortcuts->setHeaderLabels({QStringLiteral("Action"), QStringLiteral("Menu"), QStringLiteral("Key")});
    lstShortcuts->setRootIsDecorated(false);
    lstShortcuts->setUniformRowHeights(true);
    lstShortcuts->setMinimumSize(460, 280);
    lstShortcuts->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (const KeyboardShortcuts::Entry &entry : shortcuts.entries()) {
        auto *item = new QTreeWidgetItem(lstShortcuts, {entry.name, entry.menu, QString()});
        item->setData(0, Qt::UserRole, entry.objectName);
    }
    pendingKeys.resize(shortcuts.entries().size());

    keyEditor = new QKeySequenceEdit;
    keyEditor->setObjectName(QStringLiteral("keyEditor"));
    keyEditor->setToolTip(QStringLiteral("Press the new key of the chosen action"));
    keyEditor->setEnabled(false);
    cmdClearKey = new QPushButton(QStringLiteral("&No Key"));
    cmdClearKey->setObjectName(QStringLiteral("cmdClearKey"));
    cmdClearKey->setAutoDefault(false);
    cmdClearKey->setEnabled(false);
    cmdRestoreDefaults = new QPushButton(QStringLiteral("&Restore Defaults"));
    cmdRestoreDefaults->setObjectName(QStringLiteral("cmdRestoreDefaults"));
    cmdRestoreDefaults->setAutoDefault(false);

    auto *editorRow = new QHBoxLayout;
    editorRow->addWidget(new QLabel(QStringLiteral("Key:")));
    editorRow->addWidget(keyEditor, 1);
    editorRow->addWidget(cmdClearKey);
    editorRow->addWidget(cmdRestoreDefaults);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(lstShortcuts);
    layout->addLayout(editorRow);

    connect(lstShortcuts, &QTreeWidget::currentItemChanged, this, [this] {
        const int row = chosenRow();
        keyEditor->setEnabled(row >= 0);
        cmdClearKey->setEnabled(row >= 0);
        keyEditor->setKeySequence(row >= 0 ? pendingKeys[std::size_t(row)].value(0) : QKeySequence());
    });
    connect(keyEditor, &QKeySequenceEdit::editingFinished, this, &PreferencesDialog::takeKey);
    keyEditor->installEventFilter(this);
    connect(cmdClearKey, &QPushButton::clicked, this, [this] {
        if (const int row = chosenRow(); row >= 0) {
            setPendingKeys(row, {});
            keyEditor->clear();
        }
    });
    connect(cmdRestoreDefaults, &QPushButton::clicked, this, [this] {
        const auto &entries = shortcuts.entries();
        for (std::size_t row = 0; row < entries.size(); ++row)
            setPendingKeys(int(row), entries[row].defaults);
        const int row = chosenRow();
        keyEditor->setKeySequence(row >= 0 ? pendingKeys[std::size_t(row)].value(0) : QKeySequence());
    });
}

int PreferencesDialog::chosenRow() const
{
    QTreeWidgetItem *item = lstShortcuts->currentItem();
    return item ? lstShortcuts->indexOfTopLevelItem(item) : -1;
}

void PreferencesDialog::setPendingKeys(int row, const KeyList &keys)
{
    pendingKeys[std::size_t(row)] = keys;
    lstShortcuts->topLevelItem(row)->setText(2, keysText(keys));
}

void PreferencesDialog::takeKey()
{
    const int row = chosenRow();
    if (row < 0)
        return;
    // One key per action from the editor; a second chord pressed in a hurry is dropped. A
    // controller button's key is the key alone, whatever modifier was held with it.
    const QKeySequence typed = keyEditor->keySequence();
    const bool bare = shortcuts.entries()[std::size_t(row)].bareKey;
    chooseKey(typed.isEmpty() ? QKeySequence() : bare ? QKeySequence(typed[0].key()) : QKeySequence(typed[0]));
}

bool PreferencesDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The key editor takes no modifier key alone; a controller button may have one (Shift).
    if (watched == keyEditor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int row = chosenRow();
        const bool modifier = key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta;
        if (modifier && row >= 0 && shortcuts.entries()[std::size_t(row)].bareKey) {
            keyEditor->clear();
            chooseKey(QKeySequence(key));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PreferencesDialog::chooseKey(const QKeySequence &key)
{
    const int row = chosenRow();
    if (row < 0)
        return;
    const KeyList current = pendingKeys[std::size_t(row)];
    if (key.isEmpty() || current.value(0) == key) {
        keyEditor->setKeySequence(current.value(0));
        return;
    }
    const KeyboardShortcuts::Entry &entry = shortcuts.entries()[std::size_t(row)];
    if (const KeyboardShortcuts::Entry *holder = shortcuts.holderOf(key, entry, pendingKeys)) {
        keyEditor->setKeySequence(current.value(0));
        desktop.showMessage(this, QStringLiteral("Preferences"), KeyboardShortcuts::clashText(key, *holder),
                            Desktop::Icon::Warning);
        return;
    }
    setPendingKeys(row, {key});
    keyEditor->setKeySequence(key);
}

} // namespace krelin
