// The pages' logging category; warnings on by default, debug detail off.
#include "pages/Logging.h"

namespace quilbo {
Q_LOGGING_CATEGORY(lcPages, "quilbo.pages", QtWarningMsg)
}
