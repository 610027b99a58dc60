// The Measure page: a run through an emulated loudspeaker drawn as the engine analysed it, and
// stored measurements drawn together with a run-in's before/after difference.
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "measuring/MeasureViewModel.h"
#include "measuring/MeasurementService.h"
#include "pages/MeasurePage.h"
#include "plot/PlotWidget.h"
#include "tests/support/EmulatedSpeaker.h"

#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

namespace quilbo::test {
namespace {

double valueAt(const PlotCurve& curve, double x) {
    return curveValueAt(curve, x, true);
}

// The stored measurements, once the page has read them all.
std::vector<std::string> listed(const CMeasurePage& page) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !page.isListingStored(); }, 10000));
    return page.storedIds();
}

class MeasurePage : public testing::TestWithParam<ServerKind> {};

// On PipeWire the speaker lifts 1 kHz by 6 dB (a peaking filter, Q 1.4); PulseAudio can only
// emulate a flat one. Either way the plot shows the engine's own response of the recording.
TEST_P(MeasurePage, DrawsTheEnginesResponseOfTheEmulatedSpeaker) {
    SoundServer server(GetParam(), SinkOptions{"float32le", 48000, 2, {}});
    ASSERT_TRUE(server.start()) << server.log();
    EmulatedSpeaker speaker(server);
    const bool pipeWire = GetParam() == ServerKind::PipeWire;
    const SpeakerPath path{0, 1, {{"bq_peaking", 1000, 1.4, 6}}, {}};
    ASSERT_TRUE(pipeWire ? speaker.startPaths({path, path}) : speaker.startPerfect())
        << speaker.log();
    QTemporaryDir store;
    const auto sound = std::make_shared<PulseServer>();
    PulseSweepRecorder recorder(sound);
    MeasurementService service(&recorder);
    ASSERT_TRUE(sound->sync());
    CMeasurePage page(&service);
    page.setStoreFolder(store.path().toStdString());
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    page.refreshInputs();
    qobject_cast<QComboBox*>(page.control(CMeasurePage::IDC_LENGTH))->setCurrentIndex(0);  // 1 s

    for (int attempt = 0; attempt < (pipeWire ? 3 : 1); ++attempt) {  // a loaded graph may skip
        page.OnMeasure();
        page.OnMeasure();  // ignored while the first runs
        ASSERT_TRUE(page.isMeasuring()) << messages.join("\n").toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isMeasuring(); }, 60000));
        if (page.lastResult()->ok()) {
            break;
        }
    }
    ASSERT_TRUE(page.lastResult()->ok()) << describeMeasureResult(*page.lastResult());
    const Analysis& analysis = page.lastResult()->channels.at(0).analysis;
    ASSERT_EQ(page.plot()->curves().size(), 1u);
    const PlotCurve& curve = page.plot()->curves()[0];
    EXPECT_EQ(curve.x, analysis.response.frequency);
    EXPECT_EQ(curve.y, analysis.response.db);
    EXPECT_NEAR(valueAt(curve, 1000), pipeWire ? 6.0 : 0.0, 0.3);
    EXPECT_NEAR(valueAt(curve, 100), 0.0, 0.3);
    EXPECT_TRUE(page.plot()->infoText().contains("polarity normal"));
    EXPECT_EQ(listed(page).size(), 1u);  // stored as soon as analysed

    page.setSmoothing(Smoothing::Octave3);
    EXPECT_EQ(page.plot()->curves()[0].y,
              responseOf(analysis.spectrum, analysis.response.frequency, Smoothing::Octave3).db);
    page.setView(CMeasurePage::DistortionView);
    EXPECT_EQ(page.plot()->curves().size(), 3u);  // H2, H3, THD
    page.setView(CMeasurePage::ImpulseView);
    const PlotCurve& impulse = page.plot()->curves().at(0);
    const auto peak = std::max_element(impulse.y.begin(), impulse.y.end());
    EXPECT_EQ(impulse.x[peak - impulse.y.begin()], 0.0);  // ms from the peak

    // Stop: the long sweep ends within a few seconds, nothing more is stored.
    qobject_cast<QComboBox*>(page.control(CMeasurePage::IDC_LENGTH))->setCurrentIndex(4);  // 30 s
    page.OnMeasure();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return qobject_cast<QProgressBar*>(page.control(CMeasurePage::IDC_PROGRESS))->value() >
                   0;
        },
        10000));
    page.OnStop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !page.isMeasuring(); }, 10000));
    EXPECT_EQ(listed(page).size(), 1u);
}

// Records nothing: what the page asks for is kept, and the run ends at once.
class FakeRecorder : public SweepRecorder {
public:
    Recording record(const RecordRequest& request, const Progress&) override {
        requests.push_back(request);
        Recording none;
        none.result = RecordResult::NoSource;
        none.detail = "usb-mic";
        return none;
    }
    std::vector<SourceInfo> sources() override { return {{"mic", "USB microphone", false}}; }
    std::string defaultSource() override { return "mic"; }
    std::vector<RecordRequest> requests;
};

// Wrong settings and calibration files are refused with a message naming what is wrong, and
// nothing plays; a run that fails is stored as failed with its reason.
TEST(MeasurePageAlone, RefusesWrongSettingsAndStoresAFailedRunWithItsReason) {
    QTemporaryDir folder;
    FakeRecorder recorder;
    MeasurementService service(&recorder);
    CMeasurePage page(&service);
    page.setStoreFolder(folder.path().toStdString());
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    const auto edit = [&](int id) { return qobject_cast<QLineEdit*>(page.control(id)); };
    auto* level = qobject_cast<QComboBox*>(page.control(CMeasurePage::IDC_LEVEL));
    struct Case {
        const char *level, *from, *to, *message;
    };
    for (const Case& c :
         {Case{"-3", "20", "20000", "The level"}, Case{"x", "20", "20000", "The level"},
          Case{"-20", "5", "20000", "The range"}, Case{"-20", "20", "30000", "The range"}}) {
        messages.clear();
        level->setCurrentText(c.level);
        edit(CMeasurePage::IDC_FROM)->setText(c.from);
        edit(CMeasurePage::IDC_TO)->setText(c.to);
        page.OnMeasure();
        EXPECT_FALSE(page.isMeasuring());
        ASSERT_EQ(messages.size(), 1) << c.level << " " << c.from << " " << c.to;
        EXPECT_TRUE(messages[0].startsWith(c.message)) << messages[0].toStdString();
    }
    QFile bad(folder.filePath("mic.txt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("* maker's file\n20 -1.5\n1000 loud\n");
    bad.close();
    EXPECT_FALSE(page.setCalibrationFile(bad.fileName()));
    EXPECT_TRUE(messages.last().contains("line 3")) << messages.last().toStdString();

    level->setCurrentText("-20");
    edit(CMeasurePage::IDC_FROM)->setText("20");
    edit(CMeasurePage::IDC_TO)->setText("20000");
    qobject_cast<QComboBox*>(page.control(CMeasurePage::IDC_CHANNEL))->setCurrentIndex(6);  // All
    ASSERT_TRUE(listed(page).empty());
    page.OnMeasure();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isMeasuring(); }, 10000));
    EXPECT_FALSE(page.isListingStored());  // listed as saved: the folder is not read again
    EXPECT_EQ(page.storedIds().size(), 2u);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].channels, (std::vector<unsigned>{1, 2}));  // the front pair
    EXPECT_NEAR(
        *std::max_element(recorder.requests[0].sweep.begin(), recorder.requests[0].sweep.end()),
        0.1, 1e-4);  // -20 dBFS
    const auto entries = MeasurementStore(folder.path().toStdString()).list();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries[0].ok);
    EXPECT_NE(entries[0].problem.find("input"), std::string::npos) << entries[0].problem;
}

// A unit impulse (0 dB) before and twice that (+6.02 dB) after, and an unrelated one.
Measurement stored(const std::string& name, float peak, int second,
                   MeasurementStage stage = MeasurementStage::None) {
    Measurement m;
    m.name = name;
    m.stage = stage;
    m.session = stage == MeasurementStage::None ? "" : "2026-12-07T18:00:00Z";
    m.date = "2026-12-07T18:00:0" + std::to_string(second) + "Z";
    m.sweep.rate = 48000;
    m.impulse.assign(4800, 0.0F);
    m.impulse[100] = peak;
    return m;
}

TEST(MeasurePageAlone, OverlaysCheckedMeasurementsAndABeforeAfterPairsDifference) {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    MeasurementStore store(MeasurementStore::defaultFolder());
    // The pair renamed by the user, and a name alone that no longer makes a pair.
    std::vector<Measurement> ms = {stored("Woofer new", 2, 0, MeasurementStage::After),
                                   stored("Woofer old", 1, 1, MeasurementStage::Before),
                                   stored("Run-in 2026-12-07 18:00 before, channel 1", 1, 2)};
    QFile microphone(data.filePath("mic.txt"));  // 1 dB hot everywhere: drawn 1 dB lower
    ASSERT_TRUE(microphone.open(QIODevice::WriteOnly) && microphone.write("20 1\n20000 1\n") > 0);
    microphone.close();
    ms[2].calibration = microphone.fileName().toStdString();
    for (Measurement& m : ms) {
        ASSERT_TRUE(store.save(m));
    }
    CMeasurePage page(nullptr);
    ASSERT_EQ(listed(page).size(), 3u);

    struct Case {
        std::vector<int> checked;
        std::vector<double> levels;  // of each curve drawn at 1 kHz, the difference last
    };
    for (const Case& c : {Case{{0, 1}, {6.02, 0.0, 6.02}}, Case{{0, 2}, {6.02, -1.0}},
                          Case{{0, 1, 2}, {6.02, 0.0, -1.0}}}) {
        for (std::size_t i = 0; i < ms.size(); ++i) {
            page.setChecked(ms[i].id, std::count(c.checked.begin(), c.checked.end(), i) != 0);
        }
        const auto& curves = page.plot()->curves();
        ASSERT_EQ(curves.size(), c.levels.size());
        for (std::size_t i = 0; i < curves.size(); ++i) {
            EXPECT_NEAR(valueAt(curves[i], 1000), c.levels[i], 0.01)
                << curves[i].name.toStdString();
        }
    }
    // A new name typed in the list is the stored one.
    auto* list = qobject_cast<QTreeWidget*>(page.control(CMeasurePage::IDC_STORED));
    list->topLevelItem(0)->setText(0, "Renamed");
    EXPECT_EQ(store.load(listed(page)[0]).measurement->name, "Renamed");
    qunsetenv("XDG_DATA_HOME");
}

// The view model alone: a stored impulse in ms from its peak, its calibration file gone, none of
// its distortion.
TEST(MeasurePageAlone, TheViewModelDrawsAStoredMeasurementInEachView) {
    Measurement m = stored("Kept", 2, 0);
    m.calibration = "/gone.txt";
    m.response = {{1000}, {3.0}, {0.0}};
    MeasureViewInput input;
    input.stored = {{&m, nullptr, 4}};
    const auto response = measureCurves(input);
    ASSERT_EQ(response.size(), 1u);
    EXPECT_EQ(response[0].y, m.response.db);  // as stored, not re-smoothed uncalibrated
    input.view = MeasureView::Impulse;
    const auto impulse = measureCurves(input);
    ASSERT_EQ(impulse.size(), 1u);
    EXPECT_EQ(impulse[0].kind, MeasureCurveKind::Stored);
    EXPECT_EQ(impulse[0].name + std::to_string(impulse[0].style), "Kept4");
    EXPECT_DOUBLE_EQ(impulse[0].x[148] - impulse[0].x[100], 1.0);  // 48 samples, 1 ms
    EXPECT_DOUBLE_EQ(impulse[0].x[100], 0.0);
    input.view = MeasureView::Distortion;
    EXPECT_TRUE(measureCurves(input).empty());
}

QUILBO_ON_BOTH_SERVERS(MeasurePage);

}  // namespace
}  // namespace quilbo::test
