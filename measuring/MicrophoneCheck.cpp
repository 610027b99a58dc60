// The check by microphone: its settings, the channels' speakers and the judgement of a run.
#include "measuring/MicrophoneCheck.h"

#include "measuring/MeasurementRate.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quilbo {

namespace {

constexpr double kCheckLevelDbfs = -20.0;
constexpr double kCheckSweepSeconds = 1.0;

std::optional<double> bandLevel(const Response& response) {
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < response.frequency.size() && i < response.db.size(); ++i) {
        if (response.frequency[i] >= kLevelBandLowHz && response.frequency[i] <= kLevelBandHighHz &&
            std::isfinite(response.db[i])) {
            sum += response.db[i];
            ++count;
        }
    }
    return count > 0 ? std::optional<double>(sum / count) : std::nullopt;
}

// The polarity most speakers heard share: the microphone's chain may turn every one of them
// over, and one speaker wired backwards, the front left as well as any other, is the odd one
// out. A tie goes to the front left's.
Polarity commonPolarity(const MeasureResult& result, const std::vector<MicrophoneCheckRow>& rows,
                        Polarity front) {
    int inverted = 0, normal = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].heard && !rows[i].clipped) {
            ++(result.channels[i].analysis.polarity == Polarity::Inverted ? inverted : normal);
        }
    }
    return inverted == normal ? front : inverted > normal ? Polarity::Inverted : Polarity::Normal;
}

}  // namespace

MeasureSettings microphoneCheckSettings(unsigned channels, const std::string& sink) {
    MeasureSettings settings;
    settings.sweep.rate = kMeasurementRate;
    settings.sweep.levelDbfs = kCheckLevelDbfs;
    settings.sweep.seconds = kCheckSweepSeconds;
    settings.output = sink;
    settings.outputChannels = channels;
    // Heard or not is judged on the SNR below, a speaker a little above the noise included. Each
    // speaker's sweep is judged on its own: only a disturbed one is made again
    // (MicrophoneCheckRun).
    settings.lowestSnrDb = -std::numeric_limits<double>::infinity();
    settings.disturbances = MeasureSettings::Disturbances::EachChannel;
    // Half a second after each sweep is ample for a room's delay and its ringing at a speaker's
    // level, and pays for the reference's second sweep (MicrophoneCheckRun).
    settings.tailSeconds = 0.5;
    settings.channels.clear();
    for (unsigned channel = 1; channel <= channels; ++channel) {
        settings.channels.push_back(channel);
    }
    return settings;
}

std::vector<SpeakerPosition> microphoneCheckPositions(unsigned channels,
                                                      const std::optional<SinkLayout>& sink) {
    if (sink && sink->positions.size() == channels) {
        return sink->positions;
    }
    // The WAVE speaker bits' order, which the recorder's own channel map follows.
    using P = SpeakerPosition;
    std::vector<P> positions;
    switch (channels) {
        case 6:
            positions = {P::FrontLeft, P::FrontRight, P::FrontCenter,
                         P::Lfe,       P::RearLeft,   P::RearRight};
            break;
        case 4:
            positions = {P::FrontLeft, P::FrontRight, P::RearLeft, P::RearRight};
            break;
        default:
            positions = {P::FrontLeft, P::FrontRight};
            break;
    }
    positions.resize(channels, P::Other);
    return positions;
}

std::size_t microphoneCheckReference(const std::vector<SpeakerPosition>& positions) {
    const auto front = std::find(positions.begin(), positions.end(), SpeakerPosition::FrontLeft);
    return front != positions.end() ? static_cast<std::size_t>(front - positions.begin()) : 0;
}

std::vector<MicrophoneCheckRow> judgeMicrophoneCheck(
    const MeasureResult& result, const std::vector<SpeakerPosition>& positions) {
    std::vector<MicrophoneCheckRow> rows;
    for (std::size_t i = 0; i < result.channels.size(); ++i) {
        const Analysis& analysis = result.channels[i].analysis;
        MicrophoneCheckRow row;
        row.position = i < positions.size() ? positions[i] : SpeakerPosition::Other;
        row.snrDb = analysis.snrDb;
        row.clipped = analysis.status == AnalysisStatus::Clipped;
        // A silent channel over a silent input has no noise floor either: its SNR is no number.
        row.heard = (analysis.status == AnalysisStatus::Ok || row.clipped) &&
                    !std::isnan(analysis.snrDb) && analysis.snrDb >= kHeardSnrDb;
        if (isDisturbance(analysis.failure)) {
            row.disturbance = analysis.failure;
        }
        rows.push_back(row);
    }
    const std::size_t ref = microphoneCheckReference(positions);
    if (ref >= rows.size() || !rows[ref].heard || rows[ref].clipped) {
        return rows;
    }
    const Analysis& front = result.channels[ref].analysis;
    const std::optional<double> frontLevel = bandLevel(front.response);
    const Polarity normal = commonPolarity(result, rows, front.polarity);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Analysis& analysis = result.channels[i].analysis;
        if (!rows[i].heard || rows[i].clipped) {
            continue;
        }
        rows[i].inverted = analysis.polarity != normal;
        rows[i].delayMs = (analysis.delaySeconds - front.delaySeconds) * 1000.0;
        const std::optional<double> level = bandLevel(analysis.response);
        if (level && frontLevel) {
            rows[i].levelDb = *level - *frontLevel;
        }
    }
    return rows;
}

}  // namespace quilbo
