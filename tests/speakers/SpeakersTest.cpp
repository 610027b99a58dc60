// The Speakers page and its noise: the check by microphone on emulated loudspeakers of both
// servers; on the fake device each speaker's band, level, channel and name, the cycle and the
// polarity turn; the noise's band and slope; what the page says of the default output's layout.
// (That a channel of the device reaches its own speaker of a server: tests/audio.)
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "audio/PulseWaveOut.h"
#include "measuring/InputSensitivity.h"
#include "measuring/MeasurementService.h"
#include "measuring/MicrophoneCheckRun.h"
#include "pages/PlayerMessages.h"
#include "pages/SpeakerMap.h"
#include "pages/SpeakersPage.h"
#include "synth/StandardSignals.h"
#include "tests/support/EmulatedSpeaker.h"
#include "tests/support/FakeWaveOut.h"
#include "tests/support/SoundServer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include <cmath>
#include <complex>
#include <numbers>

namespace quilbo::test {
namespace {

class MicrophoneCheck : public ::testing::TestWithParam<ServerKind> {};

TEST_P(MicrophoneCheck, FlagsExactlyTheSilentAndTheInvertedSpeakerAndTellsTheirDelays) {
    // PipeWire: channel 2 wired the wrong way round, channel 4 silent, channel 5 2 ms (0.69 m)
    // further away. PulseAudio mixes plain channels alone: none is flagged.
    const bool pipeWire = GetParam() == ServerKind::PipeWire;
    SoundServer server(GetParam(), {"float32le", 48000, 6, {}});
    ASSERT_TRUE(server.start()) << server.log();
    EmulatedSpeaker speaker(server);
    ASSERT_TRUE(
        pipeWire ? speaker.startPaths({{}, {0, -1, {}, {}}, {}, {0, 0, {}, {}}, {2, 1, {}, {}}, {}})
                 : speaker.startMixed(6))
        << speaker.log();
    const auto sound = std::make_shared<PulseServer>();
    PulseWaveOut pulse(sound);
    PulseSweepRecorder recorder(sound);
    MeasurementService service(&recorder);
    ASSERT_TRUE(sound->sync());
    CSpeakersPage page(&pulse, &sound->devices());
    page.setMeasurementService(&service);
    page.show();
    ASSERT_EQ(page.channelCount(), 6);
    const QStringList expected = pipeWire
                                     ? QStringList{"OK", "inverted", "OK", "not heard", "OK", "OK"}
                                     : QStringList{"OK", "OK", "OK", "OK", "OK", "OK"};
    const auto* table = qobject_cast<QTableWidget*>(page.control(CSpeakersPage::IDC_MIC_TABLE));
    QStringList flags;
    // A loaded machine can make PipeWire's graph miss a cycle, which damages a sweep: three runs.
    for (int attempt = 0; attempt < 3 && flags != expected; ++attempt) {
        qobject_cast<QAbstractButton*>(page.control(CSpeakersPage::IDC_MIC_CHECK))->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isMicChecking(); }, 60000));
        flags.clear();
        for (int row = 0; row < table->rowCount(); ++row) {
            flags << table->item(row, CSpeakersPage::FlagsColumn)->text();
        }
    }
    ASSERT_EQ(flags, expected);
    const auto cell = [&](int row, int column) {
        return table->item(row, column)->text().toDouble();
    };
    for (int row : {0, 2, 5}) {
        EXPECT_NEAR(cell(row, CSpeakersPage::DelayColumn), 0, 0.03) << row;
        EXPECT_NEAR(cell(row, CSpeakersPage::LevelColumn), 0, 0.5) << row;
    }
    EXPECT_NEAR(cell(4, CSpeakersPage::DelayColumn), pipeWire ? 2 : 0, 0.03);
    EXPECT_NEAR(cell(4, CSpeakersPage::DistanceColumn), pipeWire ? 0.69 : 0, 0.011);
    EXPECT_EQ(table->item(0, CSpeakersPage::SpeakerColumn)->text(), speakerName(0));
    qobject_cast<QAbstractButton*>(page.control(CSpeakersPage::IDC_MIC_CHECK))->click();
    page.OnStop();  // Stop cancels a check that runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isMicChecking(); }, 10000));
    EXPECT_FALSE(table->isVisibleTo(&page));
}

QUILBO_ON_BOTH_SERVERS(MicrophoneCheck);

class LevelMatch : public ::testing::TestWithParam<ServerKind> {};

// A 5.1 loudspeaker whose speakers play at known levels (PipeWire: its paths' gains; PulseAudio:
// the output's channel volumes), the rear right silent, the input calibrated: each heard speaker's
// trim to the quietest within 0.5 dB, levels in dB SPL, the silent one named without a trim, the
// subwoofer set apart. Stop in the middle leaves no stream behind.
TEST_P(LevelMatch, TrimsEachSpeakerToTheQuietestAndNamesTheOneNotHeard) {
    const bool pipeWire = GetParam() == ServerKind::PipeWire;
    const double gainsDb[] = {0, -6, -3, -200, -4.5, 0};  // FL FR RL RR FC LFE
    SoundServer server(GetParam(), {"float32le", 48000, 6, {}});
    ASSERT_TRUE(server.start()) << server.log();
    EmulatedSpeaker speaker(server);
    std::vector<SpeakerPath> paths;
    for (const double db : gainsDb) {
        paths.push_back({0, db < -100 ? 0 : std::pow(10, db / 20), {}, {}});
    }
    ASSERT_TRUE(pipeWire ? speaker.startPaths(paths) : speaker.startMixed(6)) << speaker.log();
    QStringList volumes{"set-sink-volume", EmulatedSpeaker::kSpeaker};
    for (const int path : {0, 1, 4, 5, 2, 3}) {  // the remap sink's order: FL FR FC LFE RL RR
        volumes << QString::number(pipeWire ? 1.0 : paths[path].gain, 'f', 6);
    }
    ASSERT_TRUE(server.pactl(volumes).ok());
    const auto sound = std::make_shared<PulseServer>();
    PulseWaveOut pulse(sound);
    PulseSweepRecorder recorder(sound);
    MeasurementService service(&recorder);
    ASSERT_TRUE(sound->sync());
    CSpeakersPage page(&pulse, &sound->devices());
    page.setSoundServer(sound);
    page.setMeasurementService(&service);
    QTemporaryDir settings;
    page.setSensitivityFile(settings.filePath("sensitivity.ini"));
    // 94 dB SPL reads -30 dBFS: every level reads 124 dB higher than against full scale.
    ASSERT_TRUE(InputSensitivity(settings.filePath("sensitivity.ini"))
                    .store(speaker.source().toStdString(), -30, 0));
    ASSERT_TRUE(page.levelMatch()->setTiming({0.5, 0.5, 1.0}));
    page.show();
    ASSERT_EQ(page.channelCount(), 6);
    const auto streams = [&] {
        return server.pactl({"list", "short", "sink-inputs"}).output.count('\n') * 100 +
               server.pactl({"list", "short", "source-outputs"}).output.count('\n');
    };
    const auto before = streams();
    auto* button = qobject_cast<QAbstractButton*>(page.control(CSpeakersPage::IDC_MATCH_LEVELS));
    button->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isMatching(); }, 60000));
    const auto& levels = page.levelMatch()->levels();
    ASSERT_FALSE(page.levelMatch()->failure());
    ASSERT_EQ(levels.size(), 6u);
    const auto* table = qobject_cast<QTableWidget*>(page.control(CSpeakersPage::IDC_MATCH_TABLE));
    for (const int c : {0, 1, 2, 4}) {
        ASSERT_TRUE(levels[c].trimDb) << c;
        EXPECT_NEAR(*levels[c].trimDb, gainsDb[1] - gainsDb[c], 0.5) << c;
        RecordProperty("trim_error_db_" + std::to_string(c),
                       std::to_string(*levels[c].trimDb - (gainsDb[1] - gainsDb[c])));
    }
    EXPECT_EQ(table->item(3, CSpeakersPage::MatchTrimColumn)->text(), "not heard");
    EXPECT_EQ(table->item(3, CSpeakersPage::MatchSpeakerColumn)->text(), speakerName(3));
    EXPECT_TRUE(table->item(5, CSpeakersPage::MatchTrimColumn)->text().startsWith("set apart"));
    EXPECT_TRUE(
        table->horizontalHeaderItem(CSpeakersPage::MatchLevelColumn)->text().contains("dB SPL"));
    EXPECT_GT(levels[1].levelDb, 124 - 60);
    // Offered to the correction: the heard speakers' trims by 1-based channel, none for the rest.
    std::map<int, double> offered;
    QObject::connect(
        &page, &CSpeakersPage::levelTrimsOffered,
        [&](const std::string&, const std::map<int, double>& trims) { offered = trims; });
    qobject_cast<QAbstractButton*>(page.control(CSpeakersPage::IDC_MATCH_TO_CORRECTION))->click();
    EXPECT_EQ(offered, (std::map<int, double>{{1, *levels[0].trimDb},
                                              {2, *levels[1].trimDb},
                                              {3, *levels[2].trimDb},
                                              {5, *levels[4].trimDb}}));
    button->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return page.levelMatch()->phase() == LevelMatchSession::Phase::Speaker; }, 10000));
    page.OnStop();
    EXPECT_FALSE(page.isMatching());
    EXPECT_FALSE(page.isPlaying());
    EXPECT_TRUE(page.levelMatch()->cancelled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return streams() == before; }, 5000)) << streams();
    // The server dies while the first speaker is read: the match ends with its reason said once,
    // and no speaker gets a trim it was not measured for.
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    button->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return page.levelMatch()->phase() == LevelMatchSession::Phase::Speaker; }, 10000));
    server.killGraph();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isMatching(); }, 15000));
    EXPECT_TRUE(page.levelMatch()->failure());
    for (const int c : {0, 1, 2, 3, 4}) {
        EXPECT_EQ(table->item(c, CSpeakersPage::MatchTrimColumn)->text(), "not measured") << c;
    }
    const auto* status = qobject_cast<QLabel*>(page.control(CSpeakersPage::IDC_MATCH_STATUS));
    EXPECT_TRUE(status->text().startsWith("The levels could not be matched: ")) << messages.size();
    EXPECT_LE(messages.size(), 1);
}

QUILBO_ON_BOTH_SERVERS(LevelMatch);

// Four speakers 0 to 3 ms away at 12 kHz; a 1024-frame cycle lost 0.4 s into the sweeps of some,
// in every run or the first alone (of "channel 0": one repeated before the third sweep); played
// 37 frames later than reported after the first run.
struct DroppingRoom : SweepRecorder {
    std::vector<unsigned> lose;  // the channels whose sweeps lose a cycle
    bool once = false;
    std::vector<std::vector<unsigned>> asked;
    Recording record(const RecordRequest& request, const Progress&) override {
        const bool first = asked.empty();
        asked.push_back(request.channels);
        const auto turn = request.sweep.size() + std::size_t(request.gapSeconds * request.rate);
        Recording out;
        out.result = RecordResult::Ok;
        out.samples.assign(turn * request.channels.size() + request.rate, 0.0F);
        for (std::size_t t = 0; t < request.channels.size(); ++t) {
            out.channelStarts.push_back(std::int64_t(t * turn));
            std::vector<float> heard = request.sweep;
            if (std::count(lose.begin(), lose.end(), request.channels[t]) && (first || !once)) {
                heard.erase(heard.begin() + 10800, heard.begin() + 11824);  // the rest moves early
            }
            const std::size_t at = t * turn + (first ? 0 : 37) + (request.channels[t] - 1) * 12 +
                                   (lose == std::vector<unsigned>{0} && first && t > 1 ? 1024 : 0);
            std::copy(heard.begin(), heard.end(), out.samples.begin() + std::ptrdiff_t(at));
        }
        return out;
    }
    std::vector<SourceInfo> sources() override { return {}; }
    std::string defaultSource() override { return {}; }
};

TEST(CheckRuns, ADisturbedSpeakerIsMeasuredAgainBesideTheReferenceNeverWithAWrongDelay) {
    const struct {
        std::vector<unsigned> dropIn;
        bool once;
        std::vector<std::vector<unsigned>> calls;
        std::string disturbed;  // x: that speaker's row says disturbed
    } cases[] = {{{4}, true, {{1, 2, 3, 4, 1}, {1, 4, 1}}, "----"},
                 {{2}, false, {{1, 2, 3, 4, 1}, {1, 3, 4, 2, 1}, {1, 2, 1}}, "-x--"},
                 {{1}, false, {{1, 2, 3, 4, 1}, {1, 2, 3, 4, 1}, {1, 2, 3, 4, 1}}, "xxxx"},
                 {{0}, true, {{1, 2, 3, 4, 1}, {1, 2, 3, 4, 1}}, "----"}};
    for (const auto& c : cases) {
        DroppingRoom room;
        room.lose = c.dropIn;
        room.once = c.once;
        MeasureSettings settings = microphoneCheckSettings(4, {});
        settings.sweep = {12000, 20, 5000, 1, -20};  // quick
        settings.tailSeconds = 0.3;
        const MeasureResult result = runMicrophoneCheck(room, settings, 0);
        EXPECT_EQ(room.asked, c.calls);
        EXPECT_EQ(result.disturbedRuns.size(), c.calls.size() - 1);
        const auto rows = judgeMicrophoneCheck(result, microphoneCheckPositions(4, std::nullopt));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(rows[i].disturbance.has_value(), c.disturbed[i] == 'x') << i;
            if (rows[i].disturbance) {  // its own sweep dated; another sweep's disturbance not
                EXPECT_EQ(rows[i].disturbance->detail.empty(), c.dropIn[0] != i + 1);
                EXPECT_FALSE(rows[i].heard || rows[i].delayMs);
            } else {
                EXPECT_NEAR(rows[i].delayMs.value_or(99), double(i), 0.01) << i;
            }
        }
    }
}

// Each band's noise, over enough frames for enough harmonics in the band to weigh its halves.
TEST(CheckNoise, HoldsOnlyItsBandWithEqualPowerPerOctave) {
    const double rate = 44100;
    for (const auto& [low, high, frames] : {std::tuple{kCheckBandLowHz, kCheckBandHighHz, 8192},
                                            std::tuple{kCheckLfeLowHz, kCheckLfeHighHz, 65536}}) {
        const std::vector<float> noise = periodicBandNoise(frames, rate, low, high, 7);
        ASSERT_EQ(noise.size(), std::size_t(frames));
        // The power of each harmonic near the band by direct sums, the whole power by Parseval.
        double total = 0, inBand = 0, lowerHalf = 0, upperHalf = 0;
        for (float x : noise) {
            total += double{x} * x / frames;
        }
        for (auto k = int(low * frames / rate) - 1; k <= high * frames / rate + 1; ++k) {
            std::complex<double> sum;
            for (int n = 0; n < frames; ++n) {
                sum += double{noise[n]} *
                       std::polar(1.0, -2 * std::numbers::pi * (k * n % frames) / double(frames));
            }
            const double power = 2 * std::norm(sum) / frames / frames;
            inBand += power;
            (k * rate / frames < std::sqrt(low * high) ? lowerHalf : upperHalf) += power;
        }
        EXPECT_GT(inBand / total, 1 - 1e-6) << low;
        EXPECT_NEAR(10 * std::log10(lowerHalf / upperHalf), 0.0, 1.0) << low;  // pink: even
    }
}

struct FakeOutput : SinkLayoutSource {
    std::optional<SinkLayout> layout;
    std::optional<SinkLayout> defaultSinkLayout() override { return layout; }
};

TEST(CheckPage, WarnsOfAnOutputWithFewerChannelsAndPlaysNothingWithoutAServer) {
    FakeOutput output;
    output.layout = {"Analog", {SpeakerPosition::FrontLeft, SpeakerPosition::FrontRight}};
    CSpeakersPage page(nullptr, &output);
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    auto* said = qobject_cast<QLabel*>(page.control(CSpeakersPage::IDC_SINK));
    page.refreshSinkLayout();
    const QString fits = said->text();
    EXPECT_TRUE(page.channelCount() == 2 && fits.contains("Analog")) << fits.toStdString();
    qobject_cast<QComboBox*>(page.control(CSpeakersPage::IDC_LAYOUT))->setCurrentIndex(2);
    EXPECT_TRUE(said->text().startsWith(fits) && said->text().contains("fewer"));
    // Without a server a click only brings the page's failure message.
    output.layout.reset();
    page.speakerMap()->speakerButton(4)->click();
    page.OnCycle();
    EXPECT_EQ(messages, QStringList(2, PlayerMessages::openFailed()));
    EXPECT_FALSE(page.isPlaying() || page.speakerMap()->isLit(4));
}

// The first frames the page's player hands its device, as 16-bit samples: pieces are handed back
// until that many are written.
std::vector<std::int16_t> played(FakeWaveOut& device, std::size_t frames, std::size_t channels) {
    std::vector<std::int16_t> samples;
    for (std::size_t piece = 0; samples.size() < frames * channels; ++piece) {
        auto writes = device.callsOf(FakeWaveOut::Op::Write);
        if (piece == writes.size() && device.completeAll(1) == 0) {
            break;
        }
        writes = device.callsOf(FakeWaveOut::Op::Write);
        for (std::uint32_t i = 0; piece < writes.size() && i + 1 < writes[piece].length; i += 2) {
            samples.push_back(
                static_cast<std::int16_t>(writes[piece].data[i] | writes[piece].data[i + 1] << 8));
        }
    }
    samples.resize(frames * channels);
    return samples;
}

// Sign changes per second of one channel over frames [from, from + count): about twice the
// noise's typical frequency, which tells the speakers' band from the subwoofer's.
double crossingsPerSecond(const std::vector<std::int16_t>& samples, std::size_t channels,
                          std::size_t channel, std::size_t from, std::size_t count) {
    int crossings = 0;
    for (std::size_t f = from + 1; f < from + count; ++f) {
        crossings +=
            (samples[(f - 1) * channels + channel] < 0) != (samples[f * channels + channel] < 0);
    }
    return crossings * double(kCheckSampleRate) / double(count);
}

// What a listener at a 5.1 system hears from each click, and what the page calls it: the noise on
// that speaker alone, in the subwoofer's band on the LFE and the speakers' band elsewhere; each
// speaker in turn in the cycle; the front pair in phase, then the right one inverted.
TEST(CheckPage, EachSpeakerHearsItsBandUnderItsNameAndThePolarityTurnInvertsTheRight) {
    FakeWaveOut device;
    CSpeakersPage page(&device, nullptr);
    qobject_cast<QComboBox*>(page.control(CSpeakersPage::IDC_LAYOUT))->setCurrentIndex(2);
    auto* nowPlaying = qobject_cast<QLabel*>(page.control(CSpeakersPage::IDC_NOW_PLAYING));
    const char* names[] = {"Front left", "Front right", "Rear left",
                           "Rear right", "Centre",      "Subwoofer (LFE)"};
    const std::size_t kSecond = kCheckSampleRate;
    auto bandOf = [](double crossings) {
        return crossings > 1500 && crossings < 3500 ? "speakers"
               : crossings > 60 && crossings < 160  ? "subwoofer"
                                                    : "other";
    };
    for (std::size_t speaker = 0; speaker < 6; ++speaker) {
        SCOPED_TRACE(speaker);
        device.clearCalls();
        page.speakerMap()->speakerButton(static_cast<int>(speaker))->click();
        EXPECT_EQ(nowPlaying->text(), QString("Playing: ") + names[speaker]);
        EXPECT_TRUE(page.speakerMap()->isLit(static_cast<int>(speaker)));
        const auto samples = played(device, kSecond, 6);
        double power = 0;  // of the speaker's channel, against a full-scale sine's
        for (std::size_t f = 0; f < kSecond; ++f) {
            power += 2.0 * samples[f * 6 + speaker] * samples[f * 6 + speaker] / 32767 / 32767;
        }
        EXPECT_NEAR(10 * std::log10(power / kSecond), kCheckLevelDbfs, 0.5);
        for (std::size_t c = 0; c < 6; ++c) {
            const double crossings = crossingsPerSecond(samples, 6, c, 0, kSecond);
            EXPECT_STREQ(bandOf(crossings), c != speaker   ? "other"
                                            : speaker == 5 ? "subwoofer"
                                                           : "speakers")
                << "channel " << c << ": " << crossings << " crossings/s";
        }
    }
    device.clearCalls();
    page.OnCycle();
    const auto cycle = played(device, 6 * kCheckPeriodFrames, 6);
    for (std::size_t turn = 0; turn < 6; ++turn) {
        for (std::size_t c = 0; c < 6; ++c) {
            const double crossings =
                crossingsPerSecond(cycle, 6, c, turn * kCheckPeriodFrames + kSecond, kSecond);
            EXPECT_EQ(c == turn, bandOf(crossings) != std::string("other"))
                << "turn " << turn << ", channel " << c;
        }
    }
    device.clearCalls();
    page.OnPolarity();
    const auto polarity = played(device, 2 * kCheckPeriodFrames, 6);
    for (std::size_t f = kSecond; f < 2 * kSecond; ++f) {
        ASSERT_EQ(polarity[f * 6 + 1], polarity[f * 6]) << "in phase at frame " << f;
        const std::size_t g = kCheckPeriodFrames + f;
        ASSERT_EQ(polarity[g * 6 + 1], -polarity[g * 6]) << "opposite phase at frame " << g;
    }
    // ST 2095-1 instead: the standard's samples at its own level, after any fade in.
    page.findChild<QComboBox*>("checkSignal")->setCurrentIndex(1);
    device.clearCalls();
    page.speakerMap()->speakerButton(0)->click();
    const auto standard = played(device, kSecond, 6);
    St2095Generator generator(kCheckSampleRate);
    for (std::size_t f = 0; f < kSecond; ++f) {
        ASSERT_TRUE(std::abs(standard[f * 6] - generator.next() * 32767) <= 1 || f < kSecond / 100);
    }
}

}  // namespace
}  // namespace quilbo::test
