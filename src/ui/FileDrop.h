#pragma once

#include <QObject>

class QMimeData;
class QWidget;

namespace krelin {

// Lets a window take a file dropped on it: a drag that carries exactly one local file
// (not a folder) is accepted, anything else is refused and does nothing. The file is
// announced once the drop has finished, so that whatever opening it shows does not keep
// the program it was dragged from waiting.
class FileDrop : public QObject
{
    Q_OBJECT

public:
    explicit FileDrop(QWidget *target);

    // The one local file the drag carries, or an empty string.
    static QString droppedFile(const QMimeData *data);

signals:
    void fileDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace krelin
