#pragma once

#include <QLoggingCategory>

namespace krelin {

// What the libretro core says: its log and its messages (QT_LOGGING_RULES="krelin.core.info=true"
// shows them all).
Q_DECLARE_LOGGING_CATEGORY(lcCore)

} // namespace krelin
