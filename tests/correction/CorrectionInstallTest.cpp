// A correction installed over an emulated loudspeaker on a private PipeWire and measured through:
// as the cookbook's filters predict (which proves how PipeWire reads its nodes, shelves included),
// flat where it inverts the loudspeaker, delayed, trimmed and turned over as it says; back once
// after the server restarts; gone without a trace when removed. PulseAudio refuses it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <complex>
#include <functional>

#include "audio/MeasurementRun.h"
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "correction/ChainProcess.h"
#include "correction/CorrectionInstaller.h"
#include "measure/Biquad.h"
#include "tests/correct/SyntheticSpeaker.h"
#include "tests/support/EmulatedSpeaker.h"

namespace quilbo::test {
namespace {

constexpr int kRate = 48000;
using Kind = CorrectionFilterKind;

// The loudspeaker's front left: a +6 dB peak at 1 kHz and a +4 dB low shelf at 200 Hz; both
// channels 1 ms away.
const std::vector<SpeakerPath> kPaths = {
    {1, 1, {{"bq_peaking", 1000, 1.4, 6}, {"bq_lowshelf", 200, 0.7071, 4}}, {}}, {1, 1, {}, {}}};
const Correction kCorrection = {
    kRate,
    {{1, "FL", -1, {{Kind::Peaking, 1000, -6, 1.4}, {Kind::LowShelf, 200, -4, 0}}, 2, -2, false},
     {2, "FR", 0, {{Kind::HighShelf, 4000, -3, 0}}, 0.5, -1, true}}};

Biquad biquadOf(const CorrectionFilter& f) {
    return f.kind == Kind::Peaking    ? Biquad::peaking(kRate, f.frequency, f.gainDb, f.q)
           : f.kind == Kind::LowShelf ? Biquad::lowShelf(kRate, f.frequency, f.gainDb, 0.7071068)
                                      : Biquad::highShelf(kRate, f.frequency, f.gainDb, 0.7071068);
}

// The level the loudspeaker's channel plays at f, through the correction when there is one.
double predictedDb(int channel, double f, bool corrected) {
    std::complex<double> h = 1;
    for (const SpeakerFilter& s : kPaths[channel - 1].filters) {
        h *= biquadOf({s.label == "bq_peaking" ? Kind::Peaking : Kind::LowShelf, s.frequency,
                       s.gainDb, s.q})
                 .response(f);
    }
    const ChannelCorrection& c = kCorrection.channels[channel - 1];
    for (const CorrectionFilter& filter : corrected ? c.filters : std::vector<CorrectionFilter>{}) {
        h *= biquadOf(filter).response(f);
    }
    return 20 * std::log10(std::abs(h)) + (corrected ? c.preampDb + c.trimDb : 0);
}

// The largest difference from 100 Hz to 10 kHz between a response and a curve.
double largestDeviation(const Response& r, const std::function<double(double)>& curve) {
    double largest = 0;
    for (std::size_t i = 0; i < r.frequency.size(); ++i) {
        if (r.frequency[i] >= 100 && r.frequency[i] <= 10000) {
            largest = std::max(largest, std::abs(r.db[i] - curve(r.frequency[i])));
        }
    }
    return largest;
}

class CorrectionInstall : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.log();
        pulse = std::make_unique<PulseServer>();
        installer = std::make_unique<CorrectionInstaller>(
            *pulse, CorrectionInstaller::Options{{}, server.environment()});
    }
    MeasureResult measure(const std::string& output) {
        MeasureSettings settings;
        settings.sweep.rate = kRate;
        settings.sweep.seconds = 1;
        settings.sweep.levelDbfs = -20;
        settings.output = output;
        settings.channels = {1, 2};
        PulseSweepRecorder recorder(std::make_shared<PulseServer>());
        MeasureResult result = runMeasurement(recorder, settings);
        EXPECT_TRUE(result.ok() && result.channels.size() == 2) << describeMeasureResult(result);
        return result;
    }
    QStringList files() const {
        return QDir(installer->folder()).entryList(QDir::Files) +
               QDir(server.environment().value("XDG_CONFIG_HOME") + "/pipewire/pipewire.conf.d")
                   .entryList(QDir::Files);
    }
    int sinksNamed(const std::string& sink) const {
        return static_cast<int>(server.pactl({"list", "short", "sinks"})
                                    .output.count("\t" + QString::fromStdString(sink) + "\t"));
    }

    SoundServer server{GetParam(), {"float32le", kRate, 2, "front-left,front-right"}};
    std::unique_ptr<PulseServer> pulse;
    std::unique_ptr<CorrectionInstaller> installer;
};

TEST_P(CorrectionInstall, MeasuredThroughItIsWhatItSaysAndRemovingItLeavesNothing) {
    if (GetParam() == ServerKind::PulseAudio) {
        EXPECT_EQ(installer->install(kCorrection, SoundServer::kSink).failure.error,
                  InstallError::NotPipeWire);
        EXPECT_TRUE(files().isEmpty());
        return;
    }
    EmulatedSpeaker speaker(server);
    ASSERT_TRUE(speaker.startPaths(kPaths)) << speaker.log();
    const MeasureResult before = measure(EmulatedSpeaker::kSpeaker);
    for (int channel : {1, 2}) {
        const double deviation =
            largestDeviation(before.channels.at(channel - 1).analysis.response,
                             [&](double f) { return predictedDb(channel, f, false); });
        RecordProperty("before_deviation_db_" + std::to_string(channel), std::to_string(deviation));
        EXPECT_LT(deviation, 0.1);
    }

    QElapsedTimer appearing;
    appearing.start();
    const InstallResult installed = installer->install(kCorrection, EmulatedSpeaker::kSpeaker);
    ASSERT_TRUE(installed.failure.ok())
        << describeInstallFailure(installed.failure) << speaker.log();
    RecordProperty("appeared_ms", std::to_string(appearing.elapsed()));
    EXPECT_LT(appearing.elapsed(), 5000);
    ASSERT_TRUE(installer->makeDefault(installed.sink).ok());

    const MeasureResult after = measure({});  // through the default output: the correction
    const double delays[] = {3, 1.5};         // ms: the loudspeaker's and the correction's
    for (int channel : {1, 2}) {
        SCOPED_TRACE(channel);
        const Analysis& a = after.channels.at(channel - 1).analysis;
        const double deviation =
            largestDeviation(a.response, [&](double f) { return predictedDb(channel, f, true); });
        RecordProperty("deviation_db_" + std::to_string(channel), std::to_string(deviation));
        EXPECT_LT(deviation, 0.1);
        RecordProperty("delay_ms_" + std::to_string(channel),
                       std::to_string(a.delaySeconds * 1000));
        EXPECT_NEAR(a.delaySeconds * 1000, delays[channel - 1], 1000.0 / kRate);
        EXPECT_EQ(a.polarity, channel == 2 ? Polarity::Inverted : Polarity::Normal);
    }
    const double flatness =
        largestDeviation(after.channels.at(0).analysis.response, [](double) { return -3.0; });
    RecordProperty("flatness_db", std::to_string(flatness));
    EXPECT_LT(flatness, 0.2);

    // Removed: the default back where it was, no process, no output, no file.
    const QStringList chain = chainCommands(installer->folder() + "/quilbo_speaker.conf",
                                            installer->folder() + "/quilbo_speaker.sh")
                                  .chain;
    ASSERT_EQ(runningChains(chain).size(), 1u);
    ASSERT_TRUE(installer->remove(installed.sink).ok());
    EXPECT_EQ(pulse->devices().devices().defaultOutput, EmulatedSpeaker::kSpeaker);
    EXPECT_TRUE(runningChains(chain).empty());
    EXPECT_EQ(sinksNamed(installed.sink), 0);
    EXPECT_TRUE(files().isEmpty()) << files().join(' ').toStdString();

    // Installed again, it comes back once after the server restarts, and goes again.
    ASSERT_TRUE(installer->install(kCorrection, EmulatedSpeaker::kSpeaker).failure.ok());
    server.stop();
    ASSERT_TRUE(server.start()) << server.log();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sinksNamed(installed.sink) == 1; }, 10000));
    // The chain from before the restart ends once its script sees the server gone (on a loaded
    // machine that takes a moment); a second chain would have come by then.
    EXPECT_TRUE(QTest::qWaitFor([&] { return runningChains(chain).size() == 1; }, 10000));
    QTest::qWait(1000);
    EXPECT_EQ(sinksNamed(installed.sink), 1);
    EXPECT_EQ(runningChains(chain).size(), 1u);
    ASSERT_EQ(installer->list().size(), 1u);
    EXPECT_TRUE(installer->list()[0].present);
    EXPECT_TRUE(installer->remove(installed.sink).ok());
    EXPECT_TRUE(runningChains(chain).empty());
    EXPECT_EQ(sinksNamed(installed.sink), 0);
    EXPECT_TRUE(files().isEmpty());
}

// quilbo-correct as a user runs it, on a run stored in a private data folder: installed in front
// of the null sink and made the default, listed, removed; refused on PulseAudio with the reason.
TEST_P(CorrectionInstall, TheCommandLineInstallsListsAndRemovesAStoredRunsCorrection) {
    QTemporaryDir data;
    for (int channel : {1, 2}) {
        SyntheticSpeaker speaker = peakedSpeaker();
        speaker.channel = channel;
        Measurement m = speaker.measurement("room (channel " + std::to_string(channel) + ")");
        ASSERT_TRUE(MeasurementStore(data.path().toStdString() + "/quilbo/measurements").save(m));
    }
    const auto correct = [&](const QStringList& args) {
        QProcess process;
        QProcessEnvironment environment = server.environment();
        environment.insert("XDG_DATA_HOME", data.path());
        process.setProcessEnvironment(environment);
        process.start(QUILBO_CORRECT_PROGRAM, args);
        process.waitForFinished(30000);
        return std::pair{process.exitCode(),
                         QString(process.readAllStandardOutput()) + process.readAllStandardError()};
    };
    const auto [installed, said] =
        correct({"install", "room", "--output", SoundServer::kSink, "--default"});
    if (GetParam() == ServerKind::PulseAudio) {
        EXPECT_EQ(installed, 3);
        EXPECT_TRUE(said.contains("PulseAudio")) << said.toStdString();
        return;
    }
    const QString sink = QString::fromStdString(correctionSinkName(SoundServer::kSink));
    ASSERT_EQ(installed, 0) << said.toStdString();
    EXPECT_TRUE(said.contains("sink=" + sink + "\ndefault=yes")) << said.toStdString();
    EXPECT_EQ(correct({"list"}).second,
              "sink=" + sink + " output=" + SoundServer::kSink + " present=yes default=yes\n");
    EXPECT_EQ(correct({"remove", sink}).first, 0);
    EXPECT_EQ(pulse->devices().devices().defaultOutput, SoundServer::kSink);
    EXPECT_EQ(correct({"list"}).second, "");
    EXPECT_EQ(correct({"remove", sink}).first, 3);
}

QUILBO_ON_BOTH_SERVERS(CorrectionInstall);

}  // namespace
}  // namespace quilbo::test
