// The sweep recorder on both servers: the sweep found whole where the recorder says the playback
// sits, a cancel, and failures that leave no stream behind. (Channels in turn: tests/measurecli.)
#include <QTest>

#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>
#include <tuple>

#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "tests/support/EmulatedSpeaker.h"

namespace quilbo::test {
namespace {

constexpr unsigned kRate = 48000;

std::vector<float> logSweep(double seconds) {
    const std::size_t n = static_cast<std::size_t>(seconds * kRate);
    const double f0 = 100, k = std::log(10000 / f0) / seconds;
    std::vector<float> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        s[i] =
            static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * f0 * std::expm1(k * t) / k));
    }
    return s;
}

struct Found {
    std::int64_t at = -1;
    double correlation = 0;
};

// Where within +-reach of near the sweep correlates best (by magnitude) with the recording.
Found locate(const std::vector<float>& heard, const std::vector<float>& sweep, std::int64_t near,
             std::int64_t reach) {
    Found best;
    for (std::int64_t at = std::max<std::int64_t>(near - reach, 0);
         at <= near + reach && at + std::int64_t(sweep.size()) <= std::int64_t(heard.size());
         ++at) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t i = 0; i < sweep.size(); i += 4) {  // every fourth sample is plenty
            xy += heard[at + i] * sweep[i], xx += heard[at + i] * heard[at + i];
            yy += sweep[i] * sweep[i];
        }
        const double r = xx > 0 ? xy / std::sqrt(xx * yy) : 0;
        if (std::abs(r) > std::abs(best.correlation)) {
            best = {at, r};
        }
    }
    return best;
}

class Capture : public testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        server = std::make_unique<SoundServer>(GetParam(), SinkOptions{"float32le", kRate, 2, {}});
        ASSERT_TRUE(server->start()) << server->log();
        speaker = std::make_unique<EmulatedSpeaker>(*server);
    }
    RecordRequest request(std::vector<unsigned> channels, double seconds = 0.5) {
        RecordRequest r;
        r.sweep = logSweep(seconds);
        r.channels = std::move(channels);
        r.gapSeconds = 0.3;
        r.tailSeconds = 0.3;
        return r;
    }
    // Records until every sweep is heard whole; on PipeWire three runs at most, as a loaded
    // machine can make its graph (or the chain's process, not real-time) miss a cycle: a gap,
    // which damages a sweep and delays the rest by that cycle.
    Recording recordWhole(const RecordRequest& r, std::vector<Found>& found) {
        Recording out;
        for (int attempt = 0; attempt < (GetParam() == ServerKind::PipeWire ? 3 : 1); ++attempt) {
            out = recorder.record(r);
            found.clear();
            for (std::int64_t start : out.channelStarts) {
                found.push_back(locate(out.samples, r.sweep, start, kRate / 10));
            }
            if (std::all_of(found.begin(), found.end(),
                            [](const Found& f) { return std::abs(f.correlation) > 0.999; })) {
                break;
            }
        }
        return out;
    }
    // No stream of ours on the server (a remap sink has one of its own).
    bool leftNothing() {
        return QTest::qWaitFor(
            [&] {
                return !(server->pactl({"list", "sink-inputs"}).output +
                         server->pactl({"list", "source-outputs"}).output)
                            .contains("application.name = \"Quilbo\"");
            },
            5000);
    }
    std::unique_ptr<SoundServer> server;
    std::unique_ptr<EmulatedSpeaker> speaker;
    std::shared_ptr<PulseServer> sound = std::make_shared<PulseServer>();
    PulseSweepRecorder recorder{sound};
};

TEST_P(Capture, RecordsTheSweepWholeWhereItSaysThePlaybackSits) {
    // A perfect loudspeaker, then one wired with its pair crossed: channel 2 lands on input 1.
    for (const bool swapped : {false, true}) {
        ASSERT_TRUE(swapped ? speaker->startSwapped() : speaker->startPerfect()) << speaker->log();
        ASSERT_TRUE(sound->sync());  // the device model as the server has it now
        EXPECT_EQ(recorder.defaultSource(), speaker->source().toStdString());
        std::vector<Found> found;
        const Recording r = recordWhole(request({swapped ? 2u : 1u}), found);
        ASSERT_EQ(r.result, RecordResult::Ok) << r.detail;
        EXPECT_EQ(r.underflows, 0u);
        EXPECT_GT(found.at(0).correlation, 0.999) << "swapped " << swapped;
        EXPECT_NEAR(found.at(0).at, r.playbackStart, 3) << "swapped " << swapped;
    }
    ASSERT_TRUE(sound->sync());
    const auto sources = recorder.sources();
    EXPECT_TRUE(std::any_of(sources.begin(), sources.end(), [&](const SourceInfo& s) {
        return s.monitor && s.name == speaker->source().toStdString();
    }));
}

TEST_P(Capture, FailuresAtTheStartOrMidwaySayWhyAndLeaveNoStreamBehind) {
    ASSERT_TRUE(speaker->startPerfect());
    using Change = void (*)(RecordRequest&);
    using P = RecordProblem;
    const std::tuple<Change, RecordResult, RecordProblem> cases[] = {
        {[](RecordRequest& r) { r.source = "nowhere"; }, RecordResult::NoSource, P::None},
        {[](RecordRequest& r) { r.sink = "nowhere"; }, RecordResult::NoSink, P::None},
        {[](RecordRequest& r) { r.channels = {3}; }, RecordResult::BadRequest,
         P::ChannelNotOnOutput},
        {[](RecordRequest& r) { r.channels = {}; }, RecordResult::BadRequest, P::TurnCount},
        {[](RecordRequest& r) { r.sinkChannels = 99; }, RecordResult::BadRequest,
         P::OutputChannels},
        {[](RecordRequest& r) { r.rate = 0; }, RecordResult::BadRequest, P::Rate},
        {[](RecordRequest& r) { r.sweep[7] = NAN; }, RecordResult::BadRequest, P::SweepNotNumber},
        {[](RecordRequest& r) { r.gapSeconds = -1; }, RecordResult::BadRequest, P::Pause},
        {[](RecordRequest& r) { r.tailSeconds = INFINITY; }, RecordResult::BadRequest, P::Pause},
        {[](RecordRequest& r) { r.channels.assign(1000, 1); }, RecordResult::BadRequest,
         P::TurnCount}};
    for (const auto& [change, expected, problem] : cases) {
        RecordRequest r = request({1});
        change(r);
        const Recording out = recorder.record(r);
        EXPECT_EQ(out.result, expected) << recordResultName(out.result) << ": " << out.detail;
        EXPECT_EQ(out.problem, problem) << recordResultName(expected);
        if (problem == P::None) {
            EXPECT_EQ(out.detail, "nowhere");  // the device asked for, for the message
        }
        EXPECT_TRUE(leftNothing());
    }
    // Devices that go midway end the run with their reason.
    const QString remap = EmulatedSpeaker::kSwapped, monitor = remap + ".monitor";
    const struct {
        QString sink, source;
        RecordResult expected;
    } midway[] = {{remap, "", RecordResult::SinkLost},
                  {SoundServer::kSink, monitor, RecordResult::SourceLost},
                  {SoundServer::kSink, "", RecordResult::Failed}};  // the server stops answering
    for (const auto& c : midway) {
        ASSERT_TRUE(speaker->startPerfect() && speaker->startSwapped()) << speaker->log();
        RecordRequest r = request({1}, 2);
        r.sink = c.sink.toStdString(), r.source = c.source.toStdString();
        bool gone = false;
        const Recording out = recorder.record(r, [&](double played) {
            if (played > 0.2 && !std::exchange(gone, true)) {
                c.expected == RecordResult::Failed
                    ? server->pause()
                    : void(server->pactl({"unload-module", "module-remap-sink"}));
            }
        });
        server->resume();
        EXPECT_EQ(out.result, c.expected) << recordResultName(out.result) << ": " << out.detail;
        EXPECT_TRUE(leftNothing()) << recordResultName(c.expected);
    }
    server->stop();
    EXPECT_EQ(recorder.record(request({1})).result, RecordResult::NoServer);
}

TEST_P(Capture, CancelFadesAndReturnsAtOnce) {
    ASSERT_TRUE(speaker->startPerfect());
    SoundCapture monitor(*server);
    ASSERT_TRUE(monitor.start());
    std::atomic<double> played{0};
    std::chrono::steady_clock::time_point cancelledAt, returnedAt;
    Recording r;
    std::thread run([&] {
        r = recorder.record(request({1}, 10), [&](double f) { played = f; });
        returnedAt = std::chrono::steady_clock::now();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return played > 0.1; }, 10000));
    cancelledAt = std::chrono::steady_clock::now();
    recorder.cancel();
    run.join();
    EXPECT_EQ(r.result, RecordResult::Cancelled);
    // Well before the ten-second sweep could have ended, with room for a loaded machine.
    EXPECT_LT(returnedAt - cancelledAt, std::chrono::seconds(3));
    EXPECT_LT(played, 0.5);
    EXPECT_TRUE(leftNothing());
    // The sound's last 2 ms at the monitor are the foot of the fade, far below the sweep's 0.5.
    const auto bytes = monitor.stop();
    std::vector<float> heard(bytes.size() / sizeof(float));
    std::memcpy(heard.data(), bytes.data(), heard.size() * sizeof(float));
    const auto last = std::find_if(heard.rbegin(), heard.rend(), [](float x) { return x != 0; });
    ASSERT_GT(heard.rend() - last, 2 * 96);
    EXPECT_LT(std::abs(*std::max_element(
                  last, last + 2 * 96, [](float a, float b) { return std::abs(a) < std::abs(b); })),
              0.1f);
}

}  // namespace

QUILBO_ON_BOTH_SERVERS(Capture);

}  // namespace quilbo::test
