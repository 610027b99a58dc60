// A one-hour run-in measured before and after, on the window as a user runs it with a sped-up
// clock: the four measurements stored and the end action run, with a recorder on emulated
// loudspeakers of each server and without one.
#include "audio/PulseSweepRecorder.h"
#include "measure/MeasurementStore.h"
#include "measuring/MeasurementService.h"
#include "tests/support/EmulatedSpeaker.h"
#include "tests/support/PageFixture.h"

#include <QDateTime>
#include <QTemporaryDir>

namespace quilbo::test {
namespace {

struct MeasuredRunIn : Pages {
    QTemporaryDir data;
    MeasuredRunIn() { qputenv("XDG_DATA_HOME", data.path().toUtf8()); }
    // Runs a one-hour session that ends with "Exit quilbo" to its end; what was stored, by name.
    std::vector<MeasurementEntry> runMeasured(MeasurementService& service) {
        run().setMeasurementService(&service);
        ctl(run(), CRunInPage::IDC_MEASURE)->setChecked(true);
        startRunIn("1", true);
        tickAt(30);  // the measurement before is part of the session
        EXPECT_EQ(elapsedText(), "00:00:30");
        EXPECT_TRUE(QTest::qWaitFor([&] { return run().isPlaying(); }, 60000));
        tickAt(2 * kHour);
        EXPECT_FALSE(waveOut.deviceOpen()) << "the noise stops for the measurement after";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !quits.empty(); }, 60000));
        EXPECT_EQ(quits, std::vector<int>{0});
        const MeasurementStore store(MeasurementStore::defaultFolder());
        auto entries = store.list();
        std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
        const QString stem =
            "Run-in " + QDateTime::fromSecsSinceEpoch(started).toString("yyyy-MM-dd HH:mm");
        const char* suffixes[] = {" after, channel 1", " after, channel 2", " before, channel 1",
                                  " before, channel 2"};
        EXPECT_EQ(entries.size(), 4u);
        for (std::size_t i = 0; i < entries.size() && i < 4; ++i) {
            EXPECT_EQ(entries[i].name, (stem + suffixes[i]).toStdString());
            const auto m = store.load(entries[i].id).measurement;  // paired by these, not the name
            const auto stage = i < 2 ? MeasurementStage::After : MeasurementStage::Before;
            EXPECT_TRUE(m && m->stage == stage &&
                        m->session == QDateTime::fromSecsSinceEpoch(started)
                                          .toUTC()
                                          .toString(Qt::ISODate)
                                          .toStdString());
        }
        return entries;
    }
};

class RunInMeasured : public ::testing::TestWithParam<ServerKind>, public MeasuredRunIn {};

TEST_P(RunInMeasured, StoresBothSpeakersBeforeAndAfterAndEnds) {
    SoundServer server(GetParam(), {"float32le", 48000, 2, {}});
    ASSERT_TRUE(server.start()) << server.log();
    EmulatedSpeaker speaker(server);
    ASSERT_TRUE(GetParam() == ServerKind::PipeWire
                    ? speaker.startPaths({{0, 1, {}, {}}, {0, 1, {}, {}}})
                    : speaker.startMixed(2))
        << speaker.log();
    PulseSweepRecorder recorder;
    MeasurementService service(&recorder);
    for (const MeasurementEntry& entry : runMeasured(service)) {
        EXPECT_TRUE(entry.ok) << entry.name << ": " << entry.problem;
    }
}

QUILBO_ON_BOTH_SERVERS(RunInMeasured);

class RunInUnmeasured : public ::testing::Test, public MeasuredRunIn {};

TEST_F(RunInUnmeasured, AFailedMeasurementIsStoredAsFailedAndTheSessionStillEnds) {
    MeasurementService service(nullptr);
    for (const MeasurementEntry& entry : runMeasured(service)) {
        EXPECT_FALSE(entry.ok);
        EXPECT_EQ(entry.problem, "This program has no recorder: nothing can be measured.")
            << entry.name;
    }
    EXPECT_TRUE(ctl<QLabel>(run(), CRunInPage::IDC_STATUS)->text().contains("failed"));
    run().setMeasurementService(nullptr);
    EXPECT_FALSE(ctl(run(), CRunInPage::IDC_MEASURE)->isEnabled());
}

// A recorder that hears silence, its output run dry in the first run of each measurement.
struct DryOnceRecorder : SweepRecorder {
    int runs = 0;
    Recording record(const RecordRequest& request, const Progress&) override {
        Recording out;
        out.result = RecordResult::Ok;
        out.underflows = runs++ % 2 == 0;
        out.channelStarts.assign(request.channels.size(), 0);
        out.samples.assign(request.sweep.size() * 3, 0.0F);
        return out;
    }
    std::vector<SourceInfo> sources() override { return {}; }
    std::string defaultSource() override { return {}; }
};

TEST_F(RunInUnmeasured, AMeasurementMadeAgainAfterADisturbedSweepSaysSoForEachStage) {
    DryOnceRecorder recorder;
    MeasurementService service(&recorder);
    runMeasured(service);
    const QString status = ctl<QLabel>(run(), CRunInPage::IDC_STATUS)->text();
    const QString again = "Measured again: the first sweep was disturbed.";
    EXPECT_TRUE(status.contains(CRunInPage::measuredAgainText(RunInStage::Before, again)) &&
                status.contains(CRunInPage::measuredAgainText(RunInStage::After, again)))
        << status.toStdString();
}

}  // namespace
}  // namespace quilbo::test
