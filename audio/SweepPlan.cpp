// The sweep recorder's playback, frame by frame, and the request checks it rests on.
#include "audio/SweepPlan.h"

#include <pulse/sample.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "audio/SweepRecorder.h"

namespace quilbo {

namespace {

// Bounds that keep every count in range and the recording's memory within reason (10 minutes at
// 192000 Hz is 440 MiB of float samples): the whole run, and a gap or the tail.
constexpr double kLongestRunSeconds = 600;
constexpr double kLongestPauseSeconds = 60;
constexpr std::size_t kMostTurns = 256;

}  // namespace

std::optional<SweepPlan> SweepPlan::make(const RecordRequest& request, unsigned outputChannels,
                                         RecordProblem* problem, std::string* detail) {
    const auto bad = [&](RecordProblem code, std::string figure = {}) {
        if (problem != nullptr) {
            *problem = code;
        }
        if (detail != nullptr) {
            *detail = std::move(figure);
        }
        return std::nullopt;
    };
    if (request.rate == 0 || request.rate > PA_RATE_MAX) {
        return bad(RecordProblem::Rate, std::to_string(request.rate));
    }
    if (request.sweep.empty()) {
        return bad(RecordProblem::EmptySweep);
    }
    if (request.sweep.size() > kLongestRunSeconds * request.rate) {
        return bad(RecordProblem::SweepTooLong);
    }
    if (!std::all_of(request.sweep.begin(), request.sweep.end(),
                     [](float s) { return std::isfinite(s); })) {
        return bad(RecordProblem::SweepNotNumber);
    }
    for (double seconds : {request.gapSeconds, request.tailSeconds}) {
        if (!std::isfinite(seconds) || seconds < 0 || seconds > kLongestPauseSeconds) {
            return bad(RecordProblem::Pause);
        }
    }
    if (outputChannels == 0 || outputChannels > PA_CHANNELS_MAX) {
        return bad(RecordProblem::OutputChannels, std::to_string(outputChannels));
    }
    if (request.channels.empty() || request.channels.size() > kMostTurns) {
        return bad(RecordProblem::TurnCount);
    }
    if (request.referenceChannel > outputChannels) {
        return bad(RecordProblem::ChannelNotOnOutput, std::to_string(request.referenceChannel));
    }
    SweepPlan plan;
    plan.m_sweep = &request.sweep;
    if (request.referenceChannel > 0) {
        plan.m_reference = request.referenceChannel - 1;
    }
    plan.m_outputChannels = outputChannels;
    const auto gap = static_cast<std::uint64_t>(std::llround(request.gapSeconds * request.rate));
    for (unsigned channel : request.channels) {
        if (channel < 1 || channel > outputChannels) {
            return bad(RecordProblem::ChannelNotOnOutput, std::to_string(channel));
        }
        if (!plan.m_starts.empty()) {
            plan.m_frames += gap;
        }
        plan.m_channels.push_back(channel - 1);
        plan.m_starts.push_back(plan.m_frames);
        plan.m_frames += request.sweep.size();
        if (plan.m_frames + request.tailSeconds * request.rate >
            kLongestRunSeconds * request.rate) {
            return bad(RecordProblem::RunTooLong);
        }
    }
    return plan;
}

void SweepPlan::fill(float* out, std::uint64_t from, std::size_t count,
                     std::optional<std::uint64_t> fadeFrom, std::size_t fadeLength) const {
    std::fill(out, out + count * m_outputChannels, 0.0f);
    const std::vector<float>& sweep = *m_sweep;
    for (std::size_t k = 0; k < m_starts.size(); ++k) {
        const std::uint64_t start = m_starts[k], end = start + sweep.size();
        const std::uint64_t first = std::max(from, start), last = std::min(from + count, end);
        for (std::uint64_t frame = first; frame < last; ++frame) {
            float gain = 1.0f;
            if (fadeFrom && frame >= *fadeFrom) {
                const std::uint64_t into = frame - *fadeFrom;
                gain = into >= fadeLength
                           ? 0.0f
                           : static_cast<float>(
                                 0.5 + 0.5 * std::cos(std::numbers::pi * into / fadeLength));
            }
            float* const at = out + (frame - from) * m_outputChannels;
            at[m_channels[k]] = sweep[frame - start] * gain;
            if (m_reference) {
                at[*m_reference] = at[m_channels[k]];
            }
        }
    }
}

}  // namespace quilbo
