// The Measure page's request: out-of-range values are refused, never pulled into range.
#include "measuring/MeasureRequest.h"

#include "measuring/MeasurementRate.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace quilbo {

std::optional<double> fieldNumber(std::string_view text) {
    bool ok = false;
    const double value =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

double highestMeasureFrequency() {
    return 0.45 * kMeasurementRate;
}

MeasureRequestCheck checkMeasureRequest(const MeasureRequest& request) {
    MeasureRequestCheck check;
    const std::optional<double>& level = request.levelDbfs;
    if (!level || !std::isfinite(*level) || *level > kHighestMeasureLevel ||
        *level < kLowestMeasureLevel) {
        check.error = MeasureRequestError::Level;
        return check;
    }
    const std::optional<double>& from = request.from;
    const std::optional<double>& to = request.to;
    if (!from || !to || !(*from >= kLowestMeasureFrequency) ||
        !(*to <= highestMeasureFrequency()) || !(*to > *from * 2)) {
        check.error = MeasureRequestError::Range;
        return check;
    }
    SweepSettings& sweep = check.settings.sweep;
    sweep.rate = kMeasurementRate;
    sweep.from = *from;
    sweep.to = *to;
    sweep.levelDbfs = *level;
    sweep.seconds = kMeasureSweepSeconds[std::clamp(
        request.length, 0, static_cast<int>(std::size(kMeasureSweepSeconds)) - 1)];
    if (const MeasureFailure problem = sweep.validate(); problem.failed()) {
        check.error = MeasureRequestError::Sweep;
        check.sweepFailure = problem;
        return check;
    }
    std::vector<unsigned>& channels = check.settings.channels;
    channels.clear();
    if (request.channel >= 0 && request.channel < kMeasureSpeakers) {
        channels.push_back(static_cast<unsigned>(request.channel + 1));
    } else {
        const auto count = static_cast<unsigned>(
            std::clamp<std::size_t>(request.outputChannels.value_or(2), 1, kMeasureSpeakers));
        for (unsigned c = 1; c <= count; ++c) {
            channels.push_back(c);
        }
    }
    check.settings.referenceChannel =
        static_cast<unsigned>(std::clamp(request.reference, 0, kMeasureReferenceChannels));
    check.settings.smoothing = Smoothing::Octave48;
    return check;
}

}  // namespace quilbo
