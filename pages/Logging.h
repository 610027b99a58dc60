// The pages' logging category: failures a user does not see on screen reach the journal.
#pragma once

#include <QLoggingCategory>

namespace quilbo {
Q_DECLARE_LOGGING_CATEGORY(lcPages)
}
