// The words for a file that could not be written, for every page that writes one.
#pragma once

#include "media/FileWriteResult.h"

#include <QCoreApplication>
#include <QString>

namespace quilbo {

class FileMessages {
    Q_DECLARE_TR_FUNCTIONS(FileMessages)

public:
    // Why the write failed, as one sentence: the refusal, or the system's reason.
    static QString reason(const FileWriteResult& result);
    // The whole message for a file the user named: what was not saved, why, and that nothing
    // was written.
    static QString saveFailed(const QString& path, const FileWriteResult& result);
};

}  // namespace quilbo
