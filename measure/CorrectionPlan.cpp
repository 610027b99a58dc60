// The planner: each channel's response computed again from its impulse with a known smoothing,
// its range and target set, its filters fitted and given at the precision the exports write;
// then the trims across the channels.
#include "measure/CorrectionPlan.h"

#include "measure/CorrectionFit.h"
#include "measure/Response.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>

namespace quilbo {
namespace {

constexpr double kNoLevel = std::numeric_limits<double>::quiet_NaN();
// The fit's axis: a sixth-octave smoothing is seen at four points, narrow filters at two or more.
constexpr int kPointsPerOctave = 24;
// Where the low end has fallen this far below the response's median, the loudspeaker has stopped
// playing: boosting there only drives it harder.
constexpr double kRollOffDb = 3;
constexpr double kNarrowestRangeOctaves = 1.0 / 3;
constexpr int kMostBands = 20;
constexpr double kMostBoostDb = 20, kMostTiltDb = 20;

PlanFailure planRefusal(PlanProblem problem, int channel = 0) {
    return {problem, channel > 0 ? std::to_string(channel) : std::string()};
}

double medianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1) {
        return *middle;
    }
    return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

// One channel's measured side: its smoothed response on the fit's axis (NaN outside the sweep)
// and the polarity of its main peak.
struct Measured {
    std::vector<double> db;
    bool inverted = false;
};

std::optional<Measured> measuredOf(const Measurement& m, const std::vector<double>& axis) {
    const std::vector<double> samples(m.impulse.begin(), m.impulse.end());
    if (samples.empty() ||
        !std::all_of(samples.begin(), samples.end(), [](double x) { return std::isfinite(x); })) {
        return std::nullopt;
    }
    const auto peak = static_cast<std::size_t>(
        std::max_element(samples.begin(), samples.end(),
                         [](double a, double b) { return std::abs(a) < std::abs(b); }) -
        samples.begin());
    if (samples[peak] == 0) {
        return std::nullopt;
    }
    std::vector<double> inSweep;
    for (const double f : axis) {
        if (f >= m.sweep.from && f <= m.sweep.to) {
            inSweep.push_back(f);
        }
    }
    const Response response = responseOf(spectrumOf(samples, peak, 0.0, m.sweep.rate, m.sweep.rate),
                                         inSweep, Smoothing::Octave6);
    Measured out{std::vector<double>(axis.size(), kNoLevel), samples[peak] < 0};
    for (std::size_t i = 0, k = 0; i < axis.size() && k < response.db.size(); ++i) {
        if (axis[i] == inSweep[k]) {
            // A true null is no level to follow: the fit leaves it alone.
            const double db = response.db[k++];
            out.db[i] = std::isfinite(db) ? db : kNoLevel;
        }
    }
    return out;
}

// The default range: from where the response, followed down from the first point that reaches
// its median, falls kRollOffDb below it, to the top of the sweep.
std::pair<double, double> defaultRange(const std::vector<double>& axis,
                                       const std::vector<double>& db) {
    std::vector<double> known;
    std::size_t first = axis.size(), last = 0;
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (!std::isnan(db[i])) {
            known.push_back(db[i]);
            first = std::min(first, i);
            last = i;
        }
    }
    if (known.empty()) {
        return {0, 0};  // refused as a range
    }
    const double median = medianOf(known);
    std::size_t at = first;
    while (at < last && db[at] < median) {
        ++at;
    }
    while (at > first && db[at - 1] >= median - kRollOffDb) {
        --at;
    }
    return {axis[at], axis[last]};
}

// The filters at the precision the text exports write (whole hertz, tenths of a dB, hundredths
// of Q), so that what is predicted is what an exported file does.
void roundFilters(std::vector<CorrectionFilter>& filters) {
    for (CorrectionFilter& f : filters) {
        f.frequency = std::round(f.frequency);
        f.gainDb = std::round(f.gainDb * 10) / 10 + 0.0;
        f.q = std::round(f.q * 100) / 100;
    }
}

std::vector<double> summedDb(const FitGrid& grid, const std::vector<CorrectionFilter>& filters) {
    std::vector<double> sum(grid.size(), 0.0);
    for (const CorrectionFilter& f : filters) {
        grid.addDb(biquadOf(f, grid.rate()), sum);
    }
    return sum;
}

// The filters' largest boost: on a fine axis over the whole band and at each filter's centre.
double largestBoost(int rate, const std::vector<double>& fineAxis,
                    const std::vector<CorrectionFilter>& filters) {
    std::vector<double> axis = fineAxis;
    for (const CorrectionFilter& f : filters) {
        axis.push_back(f.frequency);
    }
    const std::vector<double> sum = summedDb(FitGrid(rate, std::move(axis)), filters);
    return std::max(0.0, *std::max_element(sum.begin(), sum.end()));
}

PlanFailure checkOptions(const PlanOptions& o) {
    if (o.bands < 1 || o.bands > kMostBands) {
        return planRefusal(PlanProblem::Bands);
    }
    if (!(o.maxBoostDb >= 0 && o.maxBoostDb <= kMostBoostDb)) {
        return planRefusal(PlanProblem::MaxBoost);
    }
    if (o.target.kind == TargetKind::Tilt && !(std::abs(o.target.tiltDbPerDecade) <= kMostTiltDb)) {
        return planRefusal(PlanProblem::Tilt);
    }
    if (o.target.kind == TargetKind::Curve && o.target.curve.size() < 2) {
        return planRefusal(PlanProblem::Curve);
    }
    return {};
}

PlanFailure checkMeasurements(const std::vector<Measurement>& channels) {
    if (channels.empty()) {
        return planRefusal(PlanProblem::NoMeasurements);
    }
    std::map<int, int> seen;
    for (const Measurement& m : channels) {
        if (!m.ok) {
            return planRefusal(PlanProblem::MeasurementFailed, m.channel);
        }
        if (m.sweep.rate != channels.front().sweep.rate) {
            return planRefusal(PlanProblem::RatesDiffer);
        }
        if (++seen[m.channel] > 1) {
            return planRefusal(PlanProblem::ChannelTwice, m.channel);
        }
    }
    return {};
}

// One channel planned, its trim not yet known.
PlanFailure planChannel(const Measurement& m, const PlanOptions& options, ChannelCorrection& out,
                        ChannelPlan& plan) {
    const int rate = m.sweep.rate;
    const double lowest = std::min(10.0, m.sweep.from), highest = 0.49 * rate;
    const std::vector<double> axis = logFrequencies(lowest, highest, kPointsPerOctave);
    const std::optional<Measured> measured = measuredOf(m, axis);
    if (!measured) {
        return planRefusal(PlanProblem::NoImpulse, m.channel);
    }
    auto [from, to] = defaultRange(axis, measured->db);
    from = options.from.value_or(from);
    to = options.to.value_or(to);
    const double slack = 1e-9;
    if (!(from > 0 && from >= m.sweep.from * (1 - slack) && to <= m.sweep.to * (1 + slack) &&
          std::log2(to / from) >= kNarrowestRangeOctaves)) {
        return planRefusal(PlanProblem::Range, m.channel);
    }
    // The target's level: the response's median deviation from the target's shape.
    std::vector<double> offsets;
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (axis[i] >= from && axis[i] <= to && !std::isnan(measured->db[i])) {
            offsets.push_back(measured->db[i] - options.target.dbAt(axis[i]));
        }
    }
    if (offsets.size() < 4) {
        return planRefusal(PlanProblem::Range, m.channel);
    }
    const double level = medianOf(offsets);
    std::vector<double> wanted(axis.size(), kNoLevel);
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (axis[i] >= from && axis[i] <= to && !std::isnan(measured->db[i])) {
            wanted[i] = level + options.target.dbAt(axis[i]) - measured->db[i];
        }
    }

    const FitGrid grid(rate, axis);
    FitLimits limits;
    limits.bands = options.bands;
    // A little room under the limit for the rounding to the exports' precision.
    limits.maxBoostDb = std::max(0.0, options.maxBoostDb - 0.1);
    limits.from = from;
    limits.to = to;
    std::vector<CorrectionFilter> filters = fitFilters(grid, wanted, limits);
    roundFilters(filters);
    const std::vector<double> fineAxis = logFrequencies(lowest, highest, 4 * kPointsPerOctave);
    // Should the rounding still have crossed the limit, the boosts give way.
    for (int tries = 0;
         tries < 50 && largestBoost(rate, fineAxis, filters) > options.maxBoostDb + 1e-9; ++tries) {
        for (CorrectionFilter& f : filters) {
            f.gainDb = f.gainDb > 0 ? std::floor(f.gainDb * 9) / 10 : f.gainDb;
        }
    }
    const double boost = largestBoost(rate, fineAxis, filters);

    out.channel = m.channel;
    out.position = channelPosition(m.channel);
    out.preampDb = -std::ceil(boost * 10 - 1e-9) / 10 + 0.0;
    out.filters = filters;
    out.invert = options.invert && measured->inverted;

    plan.channel = m.channel;
    plan.from = from;
    plan.to = to;
    plan.measuredInverted = measured->inverted;
    plan.levelDb = level;
    const std::vector<double> change = summedDb(grid, filters);
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (std::isnan(measured->db[i])) {
            continue;
        }
        const double target = level + options.target.dbAt(axis[i]);
        plan.frequency.push_back(axis[i]);
        plan.measuredDb.push_back(measured->db[i]);
        plan.targetDb.push_back(target);
        plan.predictedDb.push_back(measured->db[i] + change[i]);
        if (axis[i] >= from && axis[i] <= to) {
            plan.beforeDb = std::max(plan.beforeDb, std::abs(measured->db[i] - target));
            plan.deviationDb =
                std::max(plan.deviationDb, std::abs(measured->db[i] + change[i] - target));
        }
    }
    return {};
}

}  // namespace

CorrectionPlan planCorrection(const std::vector<Measurement>& channels,
                              const PlanOptions& options) {
    CorrectionPlan result;
    if (PlanFailure bad = checkOptions(options); bad.failed()) {
        result.failure = std::move(bad);
        return result;
    }
    if (PlanFailure bad = checkMeasurements(channels); bad.failed()) {
        result.failure = std::move(bad);
        return result;
    }
    std::vector<const Measurement*> ordered;
    for (const Measurement& m : channels) {
        ordered.push_back(&m);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const auto* a, const auto* b) { return a->channel < b->channel; });
    result.correction.rate = channels.front().sweep.rate;
    for (const Measurement* m : ordered) {
        ChannelCorrection correction;
        ChannelPlan plan;
        if (PlanFailure bad = planChannel(*m, options, correction, plan); bad.failed()) {
            return {{}, {}, true, std::move(bad)};
        }
        result.correction.channels.push_back(std::move(correction));
        result.channels.push_back(std::move(plan));
    }

    // Every channel as loud as the quietest once corrected, and as late as the farthest.
    double quietest = std::numeric_limits<double>::infinity();
    double latest = -std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < ordered.size(); ++k) {
        quietest =
            std::min(quietest, result.channels[k].levelDb + result.correction.channels[k].preampDb);
        result.delaysKnown = result.delaysKnown && ordered[k]->arrivalSeconds.has_value();
        latest = std::max(latest, ordered[k]->arrivalSeconds.value_or(0.0));
    }
    for (std::size_t k = 0; k < ordered.size(); ++k) {
        ChannelCorrection& c = result.correction.channels[k];
        ChannelPlan& plan = result.channels[k];
        c.trimDb = std::round((quietest - plan.levelDb - c.preampDb) * 100) / 100 + 0.0;
        if (result.delaysKnown) {
            c.delayMs = std::round((latest - *ordered[k]->arrivalSeconds) * 1e6) / 1000 + 0.0;
        }
        for (std::size_t i = 0; i < plan.frequency.size(); ++i) {
            plan.targetDb[i] += c.preampDb + c.trimDb;
            plan.predictedDb[i] += c.preampDb + c.trimDb;
        }
    }
    return result;
}

std::string describePlanFailure(const PlanFailure& failure) {
    const std::string channel = " (channel " + failure.detail + ")";
    switch (failure.problem) {
        case PlanProblem::None:
            return "no problem";
        case PlanProblem::NoMeasurements:
            return "there is no measurement to correct";
        case PlanProblem::MeasurementFailed:
            return "the measurement failed: there is nothing to correct" + channel;
        case PlanProblem::NoImpulse:
            return "the measurement holds no usable impulse response" + channel;
        case PlanProblem::RatesDiffer:
            return "the channels were measured at different sample rates";
        case PlanProblem::ChannelTwice:
            return "two measurements are of the same output channel" + channel;
        case PlanProblem::Bands:
            return "the number of filters must be 1 to 20";
        case PlanProblem::MaxBoost:
            return "the largest boost must be 0 to 20 dB";
        case PlanProblem::Tilt:
            return "the tilt must be -20 to 20 dB per decade";
        case PlanProblem::Curve:
            return "the target curve needs two points at least";
        case PlanProblem::Range:
            return "the range must lie within the measured sweep and span a third of an octave "
                   "at least" +
                   channel;
    }
    return "unknown problem";
}

std::string channelPosition(int channel) {
    static constexpr std::array<const char*, 18> kPositions = {
        "FL", "FR", "RL", "RR",  "FC",  "LFE", "FLC", "FRC", "RC",
        "SL", "SR", "TC", "TFL", "TFC", "TFR", "TRL", "TRC", "TRR"};
    if (channel >= 1 && channel <= static_cast<int>(kPositions.size())) {
        return kPositions[static_cast<std::size_t>(channel - 1)];
    }
    return "AUX" + std::to_string(std::max(0, channel - 1));
}

}  // namespace quilbo
