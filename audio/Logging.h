// The audio layer's logging category: failures the user cannot see on screen (a broken stream, a
// lost server, a refused format, a failed open) are warnings with their reason; detail is debug,
// off unless QT_LOGGING_RULES turns on quilbo.audio.debug.
#pragma once

#include <QLoggingCategory>

namespace quilbo {

Q_DECLARE_LOGGING_CATEGORY(lcAudio)

}  // namespace quilbo
