// The Measure page's Live view on both servers: a 1 kHz tone at -20 dBFS played into the null
// sink, read from its monitor, reads its level in A, C and Z with its band highest; Calibrate
// with the tone as a 94 dB calibrator's reads 94.0 dB SPL and keeps it; stopping leaves no
// stream, and an input that goes away is said so.
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "measuring/InputSensitivity.h"
#include "measuring/MeasurementService.h"
#include "pages/LiveView.h"
#include "pages/MeasurePage.h"
#include "plot/PlotWidget.h"
#include "tests/support/SoundServer.h"

#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace quilbo::test {
namespace {

constexpr int kRate = 48000;
const QString kMonitor = QString(SoundServer::kSink) + ".monitor";

class LivePage : public testing::TestWithParam<ServerKind> {};

TEST_P(LivePage, ReadsAToneInEveryWeightingCalibratesAndStopsCleanly) {
    SoundServer server(GetParam(), SinkOptions{"float32le", kRate, 2, {}});
    ASSERT_TRUE(server.start()) << server.log();
    QTemporaryDir dir;
    QProcess player;
    ASSERT_TRUE(playTone(server, player, dir.path(), 0.1));

    const auto sound = std::make_shared<PulseServer>();
    PulseSweepRecorder recorder(sound);
    MeasurementService service(&recorder);
    ASSERT_TRUE(sound->sync());
    CMeasurePage page(&service);
    page.setSoundServer(sound);
    LiveView& live = *page.liveView();
    live.setSensitivityFile(dir.filePath("settings.ini"));
    page.refreshInputs();
    auto* input = qobject_cast<QComboBox*>(page.control(CMeasurePage::IDC_INPUT));
    input->setCurrentIndex(input->findData(kMonitor));
    ASSERT_GT(input->currentIndex(), 0);
    const auto text = [&](int id) { return qobject_cast<QLabel*>(page.control(id))->text(); };
    const auto shown = [&] { return text(LiveView::IDC_LIVE_LEVEL).toDouble(); };
    // The figures of at least `seconds` of input since the settings last changed.
    const auto heard = [&](double seconds) {
        return QTest::qWaitFor([&] { return live.meter().snapshot().meter.seconds >= seconds; },
                               10000);
    };

    page.setLive(true);
    live.OnStart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return live.meter().isOpen(); }, 5000))
        << text(LiveView::IDC_LIVE_STATUS).toStdString();
    // The first spectrum once a whole analysis frame has come: 1 kHz's one-third octave highest.
    ASSERT_TRUE(QTest::qWaitFor([&] { return live.meter().snapshot().spectra > 0; }, 10000));
    const auto* plot = qobject_cast<PlotWidget*>(page.control(LiveView::IDC_LIVE_PLOT));
    ASSERT_FALSE(plot->curves().empty());
    const PlotCurve bands = plot->curves()[0];  // each band from its lower to its upper edge
    // A band below the meter's floor is a gap (NaN) in the curve.
    const auto lower = [](double a, double b) {
        return !std::isnan(b) && (std::isnan(a) || a < b);
    };
    const auto top = static_cast<std::size_t>(
        std::max_element(bands.y.begin(), bands.y.end(), lower) - bands.y.begin());
    EXPECT_TRUE(bands.x[top] < 1000 && bands.x[top + 1] > 1000) << bands.x[top];
    EXPECT_NEAR(bands.y[top], -20.0, 0.5);
    auto* weighting = qobject_cast<QComboBox*>(page.control(LiveView::IDC_LIVE_WEIGHTING));
    for (const QString name : {"A", "C", "Z"}) {
        weighting->setCurrentText(name);
        ASSERT_TRUE(heard(1.0));
        EXPECT_NEAR(shown(), -20.0, 0.5) << name.toStdString();
        EXPECT_TRUE(text(LiveView::IDC_LIVE_UNIT).startsWith("dBFS, " + name));
    }
    EXPECT_TRUE(text(LiveView::IDC_LIVE_OVER).isEmpty());

    // PipeWire's graph on a loaded machine may miss a cycle: up to three readings.
    for (int i = 0; i < 3 && !live.isCalibrated(); ++i) {
        live.OnCalibrate();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !live.isCalibrating(); }, 10000));
    }
    ASSERT_TRUE(live.isCalibrated()) << text(LiveView::IDC_LIVE_STATUS).toStdString();
    ASSERT_TRUE(heard(1.0));
    EXPECT_NEAR(shown(), 94.0, 0.1);
    EXPECT_TRUE(text(LiveView::IDC_LIVE_UNIT).startsWith("dB SPL"));
    EXPECT_NEAR(*InputSensitivity(dir.filePath("settings.ini"))
                     .scaleFor(kMonitor.toStdString(), 0.0)
                     .sensitivityDb,
                -20.0, 0.1);

    page.setLive(false);
    EXPECT_FALSE(live.isRunning());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return server.pactl({"list", "short", "source-outputs"}).output.trimmed().isEmpty();
        },
        5000));

    // The input goes away under a running view: it stops and says so.
    page.setLive(true);
    live.OnStart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return live.meter().isOpen(); }, 5000));
    stopHelper(player);
    ASSERT_TRUE(server.unloadSink(SoundServer::kSink));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !live.isRunning(); }, 5000));
    EXPECT_TRUE(text(LiveView::IDC_LIVE_STATUS).contains("went away"));
}

}  // namespace

QUILBO_ON_BOTH_SERVERS(LivePage);

}  // namespace quilbo::test
