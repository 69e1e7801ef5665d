#pragma once

#include "core/BackupStore.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

namespace krelin {

// File > Open Backup: the backups kept, newest first, by the name of the file they were
// made of, the date and time it was replaced and their size. The one chosen opens as an
// unsaved image.
class OpenBackupDialog : public QDialog
{
    Q_OBJECT

public:
    OpenBackupDialog(std::vector<Backup> backups, QWidget *parent = nullptr);

    // The backup chosen, or nullptr.
    const Backup *chosen() const;

private:
    std::vector<Backup> backups;
    QTreeWidget *list;
};

} // namespace krelin
