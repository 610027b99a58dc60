// The system services' logging category; warnings on by default, debug detail off.
#include "system/Logging.h"

namespace quilbo {
Q_LOGGING_CATEGORY(lcSystem, "quilbo.system", QtWarningMsg)
}
