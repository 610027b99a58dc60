// A result's caption and the measurements it leaves.
#include "measuring/ResultSummary.h"

namespace quilbo {

std::vector<ChannelSummary> summariseResult(const MeasureResult& result) {
    // Where the server converted the rate, only the delays between channels are known.
    const ChannelResult* reference = nullptr;
    for (const ChannelResult& c : result.channels) {
        if (!result.delaysExact && reference == nullptr &&
            c.analysis.status == AnalysisStatus::Ok) {
            reference = &c;
        }
    }
    std::vector<ChannelSummary> summaries;
    for (const ChannelResult& c : result.channels) {
        const Analysis& a = c.analysis;
        ChannelSummary summary;
        summary.channel = c.channel;
        summary.analysed = a.status == AnalysisStatus::Ok;
        if (!summary.analysed) {
            summary.problem = a.failure;
        } else if (reference == nullptr) {
            summary.delayMs = a.delaySeconds * 1000;
        } else {
            summary.delayMs = (a.delaySeconds - reference->analysis.delaySeconds) * 1000;
            summary.delayReference = reference->channel;
        }
        summary.delayFromLoopback = summary.analysed && result.delaysFromLoopback;
        summary.polarity = a.polarity;
        summary.snrDb = a.snrDb;
        summaries.push_back(summary);
    }
    return summaries;
}

std::vector<Measurement> resultMeasurements(const MeasureResult& result,
                                            const MeasureSettings& settings, MeasurementLabel label,
                                            const std::function<std::string(unsigned)>& nameOf,
                                            const std::function<std::string(unsigned)>& failureOf) {
    std::vector<unsigned> channels;
    for (const ChannelResult& channel : result.channels) {
        channels.push_back(channel.channel);
    }
    std::vector<Measurement> measurements;
    for (const unsigned channel : channels.empty() ? settings.channels : channels) {
        label.name = nameOf(channel);
        label.failure = failureOf(channel);
        measurements.push_back(storedMeasurement(result, settings, channel, label));
    }
    return measurements;
}

}  // namespace quilbo
