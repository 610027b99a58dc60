// What the sweep recorder plays: the sweep on each chosen channel in turn, gaps of silence
// between, and on the reference channel (if any) every time, the other channels silent. Frames are
// made on demand, so a long run holds only the mono sweep, and a stop can fade any stretch of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quilbo {

struct RecordRequest;
enum class RecordProblem;

class SweepPlan {
public:
    // Checks the request against the output's channel count; nothing, with the reason in
    // *problem and its figure in *detail, when it cannot be played.
    static std::optional<SweepPlan> make(const RecordRequest& request, unsigned outputChannels,
                                         RecordProblem* problem, std::string* detail);

    unsigned outputChannels() const { return m_outputChannels; }
    std::uint64_t frames() const { return m_frames; }
    // The first frame of each chosen channel's sweep, in playback frames.
    const std::vector<std::uint64_t>& starts() const { return m_starts; }

    // Writes frames [from, from + count) interleaved; frames past the end are silence. With
    // fadeFrom set, the sound falls over fadeLength frames from there (raised cosine) and is
    // silent after.
    void fill(float* out, std::uint64_t from, std::size_t count,
              std::optional<std::uint64_t> fadeFrom = std::nullopt,
              std::size_t fadeLength = 0) const;

private:
    SweepPlan() = default;

    const std::vector<float>* m_sweep = nullptr;  // the request's; it outlives the run
    unsigned m_outputChannels = 0;
    std::vector<unsigned> m_channels;     // 0-based
    std::optional<unsigned> m_reference;  // 0-based, plays every sweep
    std::vector<std::uint64_t> m_starts;
    std::uint64_t m_frames = 0;
};

}  // namespace quilbo
