// The measurement service on emulated loudspeakers of each server: a run's progress and result go
// to the caller that asked and to no other, a request while one runs is refused, and a caller gone
// mid-run stops its run, is told nothing, and leaves the service to the next.
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "measuring/MeasurementRate.h"
#include "measuring/MeasurementService.h"
#include "tests/support/EmulatedSpeaker.h"

#include <QPointer>
#include <QTest>

namespace quilbo::test {
namespace {

struct Caller : QObject {
    std::vector<MeasureResult> results;
    int progress = 0;

    bool start(MeasurementService& service, unsigned channel, double seconds) {
        MeasureSettings settings;
        settings.sweep.rate = kMeasurementRate;
        settings.sweep.levelDbfs = -20;
        settings.sweep.seconds = seconds;
        settings.channels = {channel};
        MeasurementRequest* request = service.start(settings, this);
        if (request != nullptr) {
            connect(request, &MeasurementRequest::progress, this, [this] { ++progress; });
            connect(request, &MeasurementRequest::finished, this,
                    [this](const MeasureResult& result) { results.push_back(result); });
        }
        return request != nullptr;
    }
};

unsigned channelOf(const MeasureResult& result) {
    return result.channels.empty() ? 0 : result.channels[0].channel;
}

class MeasureService : public ::testing::TestWithParam<ServerKind> {};

TEST_P(MeasureService, EachRunReachesOnlyTheCallerThatAskedForIt) {
    SoundServer server(GetParam(), {"float32le", 48000, 2, {}});
    ASSERT_TRUE(server.start()) << server.log();
    EmulatedSpeaker speaker(server);
    ASSERT_TRUE(speaker.startMixed(2)) << speaker.log();
    const auto sound = std::make_shared<PulseServer>();
    PulseSweepRecorder recorder(sound);
    ASSERT_TRUE(sound->sync());
    MeasurementService service(&recorder);
    Caller first;
    Caller second;

    // Two callers in turn, each on its own channel; the second is refused while the first runs.
    ASSERT_TRUE(first.start(service, 1, 1));
    EXPECT_FALSE(second.start(service, 2, 1));
    EXPECT_EQ(service.refusal(), MeasurementRefusal::Busy);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first.results.empty(); }, 30000));
    ASSERT_TRUE(second.start(service, 2, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !second.results.empty(); }, 30000));
    QTest::qWait(50);  // anything stray would be delivered by now
    ASSERT_EQ(first.results.size(), 1u);
    ASSERT_EQ(second.results.size(), 1u);
    EXPECT_TRUE(first.results[0].ok()) << describeMeasureResult(first.results[0]);
    EXPECT_TRUE(second.results[0].ok()) << describeMeasureResult(second.results[0]);
    EXPECT_EQ(channelOf(first.results[0]), 1u);
    EXPECT_EQ(channelOf(second.results[0]), 2u);
    EXPECT_GT(first.progress, 0);
    EXPECT_GT(second.progress, 0);

    // A caller destroyed during a 30 s sweep: the run stops within seconds, no one hears of it,
    // and the next caller's run is its own.
    auto gone = std::make_unique<Caller>();
    ASSERT_TRUE(gone->start(service, 1, 30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone->progress > 0; }, 10000));
    gone.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !service.busy(); }, 10000));
    ASSERT_TRUE(first.start(service, 2, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.results.size() == 2; }, 30000));
    EXPECT_EQ(channelOf(first.results[1]), 2u);
    EXPECT_EQ(second.results.size(), 1u);

    // The service destroyed mid-run: its caller is told nothing.
    auto early = std::make_unique<MeasurementService>(&recorder);
    Caller orphan;
    ASSERT_TRUE(orphan.start(*early, 1, 30));
    early.reset();
    QTest::qWait(50);
    EXPECT_TRUE(orphan.results.empty());
}

QUILBO_ON_BOTH_SERVERS(MeasureService);

}  // namespace
}  // namespace quilbo::test
