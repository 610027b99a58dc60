// Emulated loudspeakers for the recording tests: an output whose sound reaches a "microphone"
// (the default source) through known paths. On PipeWire a filter-chain of PipeWire's built-in
// nodes, run by a pipewire process of the test's own, delays, inverts and scales each channel and
// sums them into a mono null sink whose monitor is the microphone; on PulseAudio the null sink's
// monitor is heard directly (a perfect loudspeaker), or through a remap sink that swaps a pair.
#pragma once

#include <QProcess>
#include <QString>

#include <string>
#include <vector>

#include "tests/support/SoundServer.h"

namespace quilbo::test {

// One of PipeWire's built-in biquads: bq_peaking, bq_highpass, bq_lowpass, bq_lowshelf...
struct SpeakerFilter {
    QString label;
    double frequency = 1000;
    double q = 0.707;
    double gainDb = 0;
};

// One channel's way from the output to the microphone.
struct SpeakerPath {
    double delayMs = 0;
    double gain = 1;  // negative: the driver is wired the wrong way round
    std::vector<SpeakerFilter> filters;
    QString impulseFile;  // a WAV the path is convolved with, after the filters; empty: none
};

class EmulatedSpeaker {
public:
    static constexpr const char* kSpeaker = "quilbo_speaker";  // the filter-chain's sink
    static constexpr const char* kRoom = "quilbo_room";        // the mono null sink it feeds
    static constexpr const char* kSwapped = "quilbo_swapped";  // the remap sink
    static constexpr int kCycle = 1024;  // PipeWire's graph cycle under the filter-chain, frames

    explicit EmulatedSpeaker(SoundServer& server) : m_server(server) {}
    ~EmulatedSpeaker();
    EmulatedSpeaker(const EmulatedSpeaker&) = delete;
    EmulatedSpeaker& operator=(const EmulatedSpeaker&) = delete;

    // The server's null sink as output, its monitor as the default source. Both servers.
    bool startPerfect();
    // A remap sink over the null sink with its first two channels crossed. Both servers.
    bool startSwapped();
    // A remap sink of that many channels mixed into the mono room, whose monitor is the
    // microphone: plain paths placed to the sample (a remap source is placed by the clock alone,
    // which PulseAudio's reports put too early). Both servers.
    bool startMixed(int channels);
    // One path per channel of the output, summed into the mono room, at the server's sink rate.
    // PipeWire only: PulseAudio has no filters or delays (false; startMixed is its loudspeaker).
    bool startPaths(const std::vector<SpeakerPath>& paths);

    QString sink() const { return m_sink; }  // the output to play on (also the default sink)
    QString source() const { return m_source; }
    std::string log() const;

private:
    bool load(const QStringList& module);  // a module unloaded again with this speaker
    bool makeDefault(const QString& sink, const QString& source);
    QString graphConfig(const std::vector<SpeakerPath>& paths) const;

    SoundServer& m_server;
    QProcess m_chain;
    QString m_sink, m_source;
    QStringList m_modules;  // indices, the latest first
};

}  // namespace quilbo::test
