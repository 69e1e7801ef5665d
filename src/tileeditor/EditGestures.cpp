#include "EditGestures.h"

#include <QKeyEvent>
#include <QWidget>

namespace krelin {

EditGestures::EditGestures(QObject *parent)
    : QObject(parent)
{
}

void EditGestures::watch(QWidget *control)
{
    control->installEventFilter(this);
    for (QWidget *inside : control->findChildren<QWidget *>())
        inside->installEventFilter(this);
}

bool EditGestures::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        ++serial;
        break;
    case QEvent::KeyPress:
        if (!static_cast<QKeyEvent *>(event)->isAutoRepeat())
            ++serial;
        break;
    default:
        break;
    }
    if (serial == 0)
        serial = 1;
    return QObject::eventFilter(watched, event);
}

} // namespace krelin
