// The words for a file that could not be written or read, for every page that writes or reads
// one.
#pragma once

#include "measure/FileRead.h"
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
    // Why a file could not be read, as a clause ("it is gone"), with the system's words for a
    // failure it alone can explain.
    static QString readReason(FileReadError error, int systemError);
};

}  // namespace quilbo
