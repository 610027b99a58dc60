// The Measure page's curves from the result and the stored measurements.
#include "measuring/MeasureViewModel.h"

#include "measuring/MeasureCurves.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quilbo {

namespace {

MeasureCurve curveOf(MeasureCurveKind kind, int style, std::vector<double> x,
                     std::vector<double> y) {
    MeasureCurve curve;
    curve.kind = kind;
    curve.style = style;
    curve.x = std::move(x);
    curve.y = std::move(y);
    return curve;
}

// The impulse against time in ms from its largest sample.
MeasureCurve impulseCurve(MeasureCurveKind kind, int style, const std::vector<float>& impulse,
                          int rate) {
    MeasureCurve curve = curveOf(kind, style, {}, {});
    if (impulse.empty() || rate <= 0) {
        return curve;
    }
    const auto peak = std::max_element(impulse.begin(), impulse.end(), [](float a, float b) {
        return std::fabs(a) < std::fabs(b);
    });
    const auto origin = peak - impulse.begin();
    for (std::size_t i = 0; i < impulse.size(); ++i) {
        curve.x.push_back((static_cast<double>(i) - static_cast<double>(origin)) * 1000.0 / rate);
        curve.y.push_back(impulse[i]);
    }
    return curve;
}

// A stored measurement's response: re-smoothed from its impulse response and calibrated, else,
// without its impulse or with its calibration file gone, the response as stored.
Response storedResponse(const StoredCurveSource& source, Smoothing smoothing) {
    const Measurement& m = *source.measurement;
    Response response =
        responseFromImpulse(m.impulse, m.sweep.rate, m.sweep.from, m.sweep.to, smoothing);
    if (source.calibration != nullptr) {
        source.calibration->removeFrom(response);
    }
    if (response.frequency.empty() || (!m.calibration.empty() && source.calibration == nullptr)) {
        response = m.response;
    }
    return response;
}

}  // namespace

std::vector<MeasureCurve> measureCurves(const MeasureViewInput& input) {
    const MeasureView view = input.view;
    std::vector<MeasureCurve> curves;
    // What each id was drawn with, for the difference of a pair.
    std::vector<std::pair<std::string, Response>> responses;
    const auto lineOf = [view](MeasureCurveKind kind, int style, const Response& response) {
        return curveOf(kind, style, response.frequency,
                       view == MeasureView::Phase ? response.phaseDeg : response.db);
    };

    // The last result, from its own spectrum: exactly what the analysis gives at 1/48 octave.
    if (input.result != nullptr) {
        const auto& channels = input.result->channels;
        for (std::size_t i = 0; i < channels.size(); ++i) {
            const Analysis& a = channels[i].analysis;
            if (a.status != AnalysisStatus::Ok) {
                continue;
            }
            const int style = i < input.resultStyles.size() ? input.resultStyles[i] : 0;
            const std::size_t first = curves.size();
            Response response = responseOf(a.spectrum, a.response.frequency, input.smoothing);
            if (input.resultCalibration != nullptr) {
                input.resultCalibration->removeFrom(response);
            }
            if (view == MeasureView::Impulse) {
                curves.push_back(
                    impulseCurve(MeasureCurveKind::Channel, style, a.impulse, input.resultRate));
            } else if (view == MeasureView::Distortion) {
                const HarmonicDistortion& d = a.distortion;
                curves.push_back(curveOf(MeasureCurveKind::SecondHarmonic, style, d.frequency,
                                         d.harmonicPercent[0]));
                curves.push_back(curveOf(MeasureCurveKind::ThirdHarmonic, style + 1, d.frequency,
                                         d.harmonicPercent[1]));
                curves.push_back(
                    curveOf(MeasureCurveKind::Distortion, style + 2, d.frequency, d.thdPercent));
            } else {
                curves.push_back(lineOf(MeasureCurveKind::Channel, style, response));
            }
            for (std::size_t c = first; c < curves.size(); ++c) {
                curves[c].channel = channels[i].channel;
            }
            responses.emplace_back(i < input.resultIds.size() ? input.resultIds[i] : std::string(),
                                   std::move(response));
        }
    }
    // The checked stored ones not drawn as the result already.
    for (const StoredCurveSource& source : input.stored) {
        const Measurement& m = *source.measurement;
        if (std::find(input.resultIds.begin(), input.resultIds.end(), m.id) !=
                input.resultIds.end() ||
            view == MeasureView::Distortion) {
            continue;
        }
        MeasureCurve curve;
        if (view == MeasureView::Impulse) {
            curve = impulseCurve(MeasureCurveKind::Stored, source.style, m.impulse, m.sweep.rate);
        } else {
            Response response = storedResponse(source, input.smoothing);
            curve = lineOf(MeasureCurveKind::Stored, source.style, response);
            responses.emplace_back(m.id, std::move(response));
        }
        curve.name = m.name;
        curves.push_back(std::move(curve));
    }
    // Two checked measurements that are one run-in's before and after: their difference too.
    bool afterFirst = false;
    if (view != MeasureView::Response || input.stored.size() != 2 ||
        !isBeforeAfterPair(*input.stored[0].measurement, *input.stored[1].measurement,
                           &afterFirst)) {
        return curves;
    }
    const auto responseOfId = [&](const std::string& id) -> const Response* {
        for (const auto& [key, response] : responses) {
            if (key == id) {
                return &response;
            }
        }
        return nullptr;
    };
    const Response* before = responseOfId(input.stored[afterFirst ? 1 : 0].measurement->id);
    const Response* after = responseOfId(input.stored[afterFirst ? 0 : 1].measurement->id);
    if (before != nullptr && after != nullptr) {
        curves.push_back(curveOf(MeasureCurveKind::Difference, 0, before->frequency,
                                 responseDifference(*before, *after)));
    }
    return curves;
}

}  // namespace quilbo
