// The words for a correction's failures: a plan refused, a target file refused, a run not found,
// an install, default or removal that did not happen, a chain the output cannot take.
#pragma once

#include "correction/CorrectionInstaller.h"
#include "measure/CorrectionPlan.h"
#include "measure/CorrectionTarget.h"
#include "measure/StoredRunLookup.h"

#include <QCoreApplication>
#include <QString>

namespace quilbo {

class CorrectionMessages {
    Q_DECLARE_TR_FUNCTIONS(CorrectionMessages)

public:
    static QString plan(const PlanFailure& failure);
    // Which file, the line, why.
    static QString targetFile(const QString& path, const TargetFileError& error);
    static QString run(const StoredRunChannels& run);
    static QString install(const InstallFailure& failure);
    static QString chain(const CorrectionChainCheck& check);
};

}  // namespace quilbo
