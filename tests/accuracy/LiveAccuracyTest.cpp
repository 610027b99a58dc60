// Measurements of emulated loudspeakers whose paths are known exactly, on each server: the
// absolute delay of a path with a real latency, the microphone check's level and polarity flags,
// and five measurements of one loudspeaker that agree.
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "measuring/MicrophoneCheck.h"
#include "measuring/MicrophoneCheckRun.h"
#include "tests/support/EmulatedSpeaker.h"

namespace quilbo::test {
namespace {

constexpr int kRate = 48000;

class LiveAccuracy : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        server = std::make_unique<SoundServer>(
            GetParam(),
            SinkOptions{"float32le", kRate, 4, "front-left,front-right,rear-left,rear-right"});
        ASSERT_TRUE(server->start()) << server->log();
    }
    bool pipeWire() const { return GetParam() == ServerKind::PipeWire; }
    // A fresh loudspeaker: these paths on PipeWire, plain ones on PulseAudio.
    void speak(const std::vector<SpeakerPath>& paths) {
        speaker.reset();
        speaker = std::make_unique<EmulatedSpeaker>(*server);
        ASSERT_TRUE(pipeWire() ? speaker->startPaths(paths)
                               : speaker->startMixed(static_cast<int>(paths.size())))
            << speaker->log();
    }
    MeasureResult measure(const MeasureSettings& settings) {
        PulseSweepRecorder recorder(std::make_shared<PulseServer>());
        MeasureResult result = runMeasurement(recorder, settings);
        EXPECT_TRUE(result.ok()) << describeMeasureResult(result);
        return result;
    }
    std::unique_ptr<SoundServer> server;
    std::unique_ptr<EmulatedSpeaker> speaker;
};

// A quad loudspeaker 4 ms away (1.37 m) through PipeWire's delay line: the delay is measured
// from the stream's start to within a sample. Its front right 4.4 dB quiet is flagged, its rear
// left 1.4 dB quiet is not (the same by the output's volume on PulseAudio, whose paths are
// plain); a microphone wired backwards turns none over, a front left wired backwards is the one
// (on PipeWire, in the same run as the quiet front right).
TEST_P(LiveAccuracy, TheMicrophoneCheckMeasuresAKnownLatencyAndFlagsLevelAndPolarityRightly) {
    struct Case {
        std::vector<double> gains;
        std::vector<bool> flagged;
    };
    const std::vector<Case> cases =
        pipeWire() ? std::vector<Case>{{{-1, 0.6, 0.85, 1}, {true, true, false, false}},
                                       {{-1, -1, -1, -1}, {false, false, false, false}}}
                   : std::vector<Case>{{{1, 0.6, 0.85, 1}, {false, true, false, false}}};
    for (const Case& c : cases) {
        std::vector<SpeakerPath> paths;
        for (const double gain : c.gains) {
            paths.push_back({4, gain, {}, {}});
        }
        speak(paths);
        QStringList volumes{"set-sink-volume", EmulatedSpeaker::kSpeaker};
        for (const double gain : c.gains) {
            volumes << QString::number(pipeWire() ? 1.0 : std::abs(gain), 'f', 6);  // linear
        }
        ASSERT_TRUE(server->pactl(volumes).ok());
        PulseSweepRecorder recorder(std::make_shared<PulseServer>());
        const MeasureResult result = runMicrophoneCheck(
            recorder, microphoneCheckSettings(4, speaker->sink().toStdString()), 0);
        ASSERT_TRUE(result.ok()) << describeMeasureResult(result);
        const auto rows = judgeMicrophoneCheck(result, microphoneCheckPositions(4, std::nullopt));
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_NEAR(result.channels[0].analysis.delaySeconds * kRate, pipeWire() ? 192 : 0, 1);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(rows[i].flagged(), c.flagged[i]);
            EXPECT_NEAR(rows[i].levelDb.value_or(99), 20 * std::log10(std::abs(c.gains[i])), 0.1);
            EXPECT_NEAR(rows[i].delayMs.value_or(99), 0, 1000.0 / kRate);
        }
    }
}

// Five measurements of one loudspeaker (on PipeWire with a 2 ms path, a peak and a high-pass)
// agree within 0.05 dB from 100 Hz to 10 kHz and within a sample of delay. A loaded machine can
// still make PipeWire's graph lose a cycle, which no stream is told of and the analysis does not
// yet refuse: a set holding such a run is measured again, twice at most, and counted.
TEST_P(LiveAccuracy, FiveMeasurementsOfOneLoudspeakerAgree) {
    speak({{2, 1, {{"bq_peaking", 1000, 1.4, 6}, {"bq_highpass", 80, 0, 0}}, {}}, {}});
    MeasureSettings settings;
    settings.sweep.rate = kRate;
    settings.sweep.seconds = 1;
    settings.sweep.levelDbfs = -20;
    double spreadDb = 1e9, delaySpread = 1e9;
    int sets = 0;
    for (; sets < 3 && (spreadDb >= 0.05 || delaySpread > 1); ++sets) {
        std::vector<Analysis> runs;
        for (int run = 0; run < 5; ++run) {
            runs.push_back(measure(settings).channels.at(0).analysis);
        }
        double lowest = 1e9, highest = -1e9;
        spreadDb = 0;
        for (const Analysis& a : runs) {
            lowest = std::min(lowest, a.delaySeconds * kRate);
            highest = std::max(highest, a.delaySeconds * kRate);
            for (std::size_t i = 0; i < a.response.frequency.size(); ++i) {
                if (a.response.frequency[i] >= 100 && a.response.frequency[i] <= 10000) {
                    spreadDb =
                        std::max(spreadDb, std::abs(a.response.db[i] - runs[0].response.db[i]));
                }
            }
        }
        delaySpread = highest - lowest;
    }
    RecordProperty("spread_db", std::to_string(spreadDb));
    RecordProperty("delay_spread_samples", std::to_string(delaySpread));
    RecordProperty("disturbed_sets", sets - 1);
    EXPECT_LT(spreadDb, 0.05);
    EXPECT_LE(delaySpread, 1.0);
}

// Channel 1 of the null sink is the microphone, channel 2 the loopback of the reference channel.
// Its monitor places both to the sample; a remap source over it, whose delay the servers report
// wrongly (PulseAudio's by 11 ms, PipeWire's by a sample at times), moves the delay from the
// stream's start or makes it fail, but not the one from the loopback.
TEST_P(LiveAccuracy, TheLoopbackReferenceGivesTheDelayWhereTheServersReportDoesNot) {
    speaker = std::make_unique<EmulatedSpeaker>(*server);
    ASSERT_TRUE(speaker->startPerfect()) << speaker->log();
    ASSERT_TRUE(server
                    ->pactl({"load-module", "module-remap-source", "source_name=quilbo_remapped",
                             QString("master=") + SoundServer::kSink + ".monitor", "channels=2",
                             "master_channel_map=front-left,front-right",
                             "channel_map=front-left,front-right", "remix=no"})
                    .ok());
    MeasureSettings settings;
    settings.sweep.rate = kRate;
    settings.sweep.seconds = 1;
    settings.output = SoundServer::kSink;
    for (const char* input : {"", "quilbo_remapped"}) {
        settings.input = input;
        std::vector<double> delays;
        for (const unsigned reference : {0, 2}) {
            settings.referenceChannel = reference;
            PulseSweepRecorder recorder(std::make_shared<PulseServer>());
            const MeasureResult result = runMeasurement(recorder, settings);
            delays.push_back(result.ok() ? result.channels[0].analysis.delaySeconds * kRate : 1e9);
            EXPECT_EQ(result.delaysFromLoopback, reference > 0);
        }
        RecordProperty(std::string("delay_samples_") + (*input ? "remapped" : "monitor"),
                       std::to_string(delays[0]) + " / " + std::to_string(delays[1]));
        EXPECT_NEAR(delays[1], 0, 0.05) << input;
        // The monitor's report is exact; PulseAudio's remap source is reported 11 ms wrong, which
        // shows the loopback is what put its delay right. PipeWire's is off by a sample at most,
        // or not at all.
        if (*input == 0 || !pipeWire()) {
            EXPECT_EQ(std::abs(delays[0]) > 1, *input != 0) << delays[0] << " " << input;
        }
    }
}

QUILBO_ON_BOTH_SERVERS(LiveAccuracy);

}  // namespace
}  // namespace quilbo::test
