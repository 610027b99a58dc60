// The measuring layer's logging category: failures of a run that no page shows reach the journal.
#pragma once

#include <QLoggingCategory>

namespace quilbo {
Q_DECLARE_LOGGING_CATEGORY(lcMeasuring)
}
