#include "PlayerLog.h"

namespace krelin {

Q_LOGGING_CATEGORY(lcCore, "krelin.core", QtWarningMsg)

} // namespace krelin
