// The correction installer's logging category; warnings on by default, debug detail off.
#include "correction/Logging.h"

namespace quilbo {
Q_LOGGING_CATEGORY(lcCorrection, "quilbo.correction", QtWarningMsg)
}
