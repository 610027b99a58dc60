// The quilbo.audio category, debug messages off by default.
#include "audio/Logging.h"

namespace quilbo {

Q_LOGGING_CATEGORY(lcAudio, "quilbo.audio", QtInfoMsg)

}  // namespace quilbo
