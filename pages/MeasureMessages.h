// The words for the measurement engine's failures (a sweep's settings, an analysis, a
// calibration file, a stored measurement, a request), for every page that measures.
#pragma once

#include "measure/Calibration.h"
#include "measure/MeasureFailure.h"
#include "measure/MeasurementStore.h"
#include "measuring/MeasureRequest.h"

#include <QCoreApplication>
#include <QString>

namespace quilbo {

class MeasureMessages {
    Q_DECLARE_TR_FUNCTIONS(MeasureMessages)

public:
    // The failure as one sentence with its figure; empty when nothing failed.
    static QString problem(const MeasureFailure& failure);
    // The whole message for a calibration file refused: which file, the line, why.
    static QString calibration(const QString& path, const CalibrationError& error);
    // Why a stored measurement could not be loaded; for a file that could not be read, the
    // reason as a clause ("it is gone"), as FileMessages::readReason gives it.
    static QString load(const LoadResult& loaded);
    // Why a measurement's fields make no run: the field and what it takes; empty when they do.
    static QString request(const MeasureRequestCheck& check);
};

}  // namespace quilbo
