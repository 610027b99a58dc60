// The system services' logging category: a refused power-off or a lock not taken reaches the
// journal.
#pragma once

#include <QLoggingCategory>

namespace quilbo {
Q_DECLARE_LOGGING_CATEGORY(lcSystem)
}
