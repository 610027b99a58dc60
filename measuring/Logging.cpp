// The measuring layer's logging category; warnings on by default, debug detail off.
#include "measuring/Logging.h"

namespace quilbo {
Q_LOGGING_CATEGORY(lcMeasuring, "quilbo.measuring", QtWarningMsg)
}
