// The correction installer's logging category: what a user cannot see (a default output that did
// not go back, a file that would not go) reaches the journal.
#pragma once

#include <QLoggingCategory>

namespace quilbo {
Q_DECLARE_LOGGING_CATEGORY(lcCorrection)
}
