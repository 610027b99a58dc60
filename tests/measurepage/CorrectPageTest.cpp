// The Measure page's Correct window, by its controls: a stored run's correction planned and drawn
// as the settings change, trims from the level match taken in place of the measured ones, and
// the correction installed over an emulated loudspeaker on PipeWire and measured through (refused
// on PulseAudio), then removed.
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "measuring/MeasurementService.h"
#include "pages/CorrectionPanel.h"
#include "pages/MeasurePage.h"
#include "plot/PlotWidget.h"
#include "res/Translations.h"
#include "tests/correct/SyntheticSpeaker.h"
#include "tests/support/EmulatedSpeaker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace quilbo::test {
namespace {

using Panel = CorrectionPanel;

template <typename W = QWidget>
W* in(const Panel* panel, int id) {
    return qobject_cast<W*>(panel->control(id));
}

const PlotCurve* curveNamed(const PlotWidget* plot, const QString& name) {
    for (const PlotCurve& c : plot->curves()) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

QString figures(const Panel* panel) {
    return in<QLabel>(panel, Panel::IDC_CORRECT_FIGURES)->text();
}

// The panel's plan once made, off the window thread.
const CorrectionPlan& planOf(const Panel* panel) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->isPlanning(); }, 10000));
    return panel->plan();
}

// Opens the Correct window on the one stored run there is, by clicks.
Panel* openCorrect(CMeasurePage& page) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !page.isListingStored(); }, 10000));
    page.setChecked(page.storedIds().front(), true);
    auto* correct = qobject_cast<QPushButton*>(page.control(CMeasurePage::IDC_CORRECT));
    EXPECT_TRUE(correct->isEnabled());
    correct->click();
    if (page.correctionPanel() != nullptr) {
        planOf(page.correctionPanel());
    }
    return page.correctionPanel();
}

// A run of two channels: a 6 dB peak at 1 kHz, and a speaker 3 dB quieter and 2 ms later.
TEST(MeasurePageAlone, CorrectPlansAsTheSettingsChangeAndTakesTheLevelMatchsTrims) {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    MeasurementStore store(MeasurementStore::defaultFolder());
    SyntheticSpeaker left = peakedSpeaker(), right = peakedSpeaker(0);
    right.channel = 2;
    right.gain = std::pow(10, -3 / 20.0);
    right.arrivalSeconds = left.arrivalSeconds + 0.002;
    for (Measurement m :
         {left.measurement("Pair (channel 1)"), right.measurement("Pair (channel 2)")}) {
        ASSERT_TRUE(store.save(m));
    }
    CMeasurePage page(nullptr);
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    EXPECT_FALSE(page.control(CMeasurePage::IDC_CORRECT)->isEnabled());  // nothing chosen
    Panel* panel = openCorrect(page);
    ASSERT_NE(panel, nullptr) << messages.join('\n').toStdString();
    ASSERT_EQ(panel->plan().channels.size(), 2u);  // the run, not the one checked alone
    const ChannelPlan& planned = panel->plan().channels[0];
    EXPECT_GT(planned.beforeDb, 5.0);
    EXPECT_LT(planned.deviationDb, 1.0);
    EXPECT_TRUE(figures(panel).contains(QString("before ±%1 dB").arg(planned.beforeDb, 0, 'f', 1)))
        << figures(panel).toStdString();
    EXPECT_NEAR(panel->plan().correction.channels[0].delayMs, 2.0, 0.01);

    // The window's words follow the language, its title still naming the run.
    installTranslations(QLocale(QLocale::Chinese, QLocale::China));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return panel->windowTitle() == QString::fromUtf8("校正：Pair"); }, 2000))
        << panel->windowTitle().toStdString();
    EXPECT_EQ(in<QComboBox>(panel, Panel::IDC_CORRECT_TARGET)->itemText(Panel::TiltTarget),
              QString::fromUtf8("倾斜"));
    EXPECT_TRUE(figures(panel).startsWith(QString::fromUtf8("声道 1：")))
        << figures(panel).toStdString();
    installTranslations(QLocale(QLocale::English));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->windowTitle() == "Correct: Pair"; }, 2000));

    // The predicted curve on the page's plot follows the number of filters and the target.
    const PlotCurve* predicted = curveNamed(page.plot(), "Channel 1 predicted");
    ASSERT_NE(predicted, nullptr);
    ASSERT_NE(curveNamed(page.plot(), "Channel 2 before"), nullptr);
    const double atPeak = curveValueAt(*predicted, 1000, true);
    in<QSpinBox>(panel, Panel::IDC_CORRECT_BANDS)->setValue(1);
    in<QDoubleSpinBox>(panel, Panel::IDC_CORRECT_BOOST)->setValue(0);
    planOf(panel);
    predicted = curveNamed(page.plot(), "Channel 1 predicted");
    EXPECT_NE(curveValueAt(*predicted, 1000, true), atPeak);
    EXPECT_EQ(panel->plan().correction.channels[0].filters.size(), 1u);
    in<QComboBox>(panel, Panel::IDC_CORRECT_TARGET)->setCurrentIndex(Panel::TiltTarget);
    in<QDoubleSpinBox>(panel, Panel::IDC_CORRECT_TILT)->setValue(-1);
    planOf(panel);
    const PlotCurve* target = curveNamed(page.plot(), "Channel 1 target");
    EXPECT_NEAR(curveValueAt(*target, 10000, true) - curveValueAt(*target, 100, true), -2, 0.01);

    QFile bad(data.filePath("target.txt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("20 0\n1000 loud\n") > 0);
    bad.close();
    in<QLineEdit>(panel, Panel::IDC_CORRECT_TARGET_FILE)->setText(bad.fileName());
    in<QComboBox>(panel, Panel::IDC_CORRECT_TARGET)->setCurrentIndex(Panel::FileTarget);
    EXPECT_TRUE(figures(panel).contains("line 2")) << figures(panel).toStdString();
    EXPECT_TRUE(panel->curves().empty());
    EXPECT_FALSE(in(panel, Panel::IDC_CORRECT_INSTALL)->isEnabled());

    // Match levels heard channel 2 as the louder by 1 dB: its trims replace the measured ones.
    page.useLevelTrims({}, {{1, 0.0}, {2, -1.0}});
    openCorrect(page);
    in<QComboBox>(panel, Panel::IDC_CORRECT_TARGET)->setCurrentIndex(Panel::FlatTarget);
    planOf(panel);
    const auto gains = [&] {
        const auto& c = panel->plan().correction.channels;
        return std::pair{c[0].preampDb + c[0].trimDb, c[1].preampDb + c[1].trimDb};
    };
    EXPECT_TRUE(figures(panel).contains("Level trims from Match levels"));
    EXPECT_NEAR(gains().second - gains().first, -1.0, 0.015);
    in<QCheckBox>(panel, Panel::IDC_CORRECT_MATCHED_TRIMS)->setChecked(false);
    planOf(panel);
    const ChannelPlan& p1 = panel->plan().channels[0];
    const ChannelPlan& p2 = panel->plan().channels[1];
    EXPECT_NEAR(gains().second - gains().first, p1.levelDb - p2.levelDb, 0.015);  // measured

    // Exported as text per channel into the folder chosen; installing without a server says so.
    panel->setFolderChooser([&](const QString&) { return data.path(); });
    in<QPushButton>(panel, Panel::IDC_CORRECT_EXPORT_TEXT)->click();
    const QStringList texts = QDir(data.path()).entryList({"*.txt"});
    ASSERT_EQ(texts.size(), 3) << texts.join(' ').toStdString();  // with the target file
    QFile text(data.filePath(texts.filter(".FR.").value(0)));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_TRUE(text.readAll().startsWith("Preamp: "));
    auto* install = in<QPushButton>(panel, Panel::IDC_CORRECT_INSTALL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return install->isEnabled(); }, 5000));  // listed
    install->click();
    auto* status = in<QLabel>(panel, Panel::IDC_CORRECT_STATUS);
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().contains("No sound server"); }, 5000))
        << status->text().toStdString();
    qunsetenv("XDG_DATA_HOME");
}

class CorrectPage : public testing::TestWithParam<ServerKind> {};

// On PipeWire a pair with a +6 dB peak at 1 kHz and a -6 dB dip at 3 kHz, the right 3 dB quieter
// and 5 ms later, corrected to flat from 100 Hz to 10 kHz and aligned; PulseAudio refuses to
// install, in words.
TEST_P(CorrectPage, InstallsMeasuresThroughAndRemovesTheCorrection) {
    SoundServer server(GetParam(), SinkOptions{"float32le", 48000, 2, {}});
    ASSERT_TRUE(server.start()) << server.log();
    const bool pipeWire = GetParam() == ServerKind::PipeWire;
    QTemporaryDir store;
    const auto sound = std::make_shared<PulseServer>();
    PulseSweepRecorder recorder(sound);
    MeasurementService service(&recorder);
    CMeasurePage page(&service);
    page.setStoreFolder(store.path().toStdString());
    page.setSoundServer(sound);
    page.setCorrectionInstaller({{}, server.environment()});
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    EmulatedSpeaker speaker(server);
    if (pipeWire) {
        const std::vector<SpeakerFilter> filters = {{"bq_peaking", 1000, 2, 6},
                                                    {"bq_peaking", 3000, 2, -6}};
        ASSERT_TRUE(
            speaker.startPaths({{0, 1, filters, {}}, {5, std::pow(10, -3 / 20.0), filters, {}}}))
            << speaker.log();
        ASSERT_TRUE(sound->sync());
        page.refreshInputs();
        qobject_cast<QComboBox*>(page.control(CMeasurePage::IDC_LENGTH))->setCurrentIndex(0);
        qobject_cast<QComboBox*>(page.control(CMeasurePage::IDC_CHANNEL))
            ->setCurrentIndex(6);  // All
        page.OnMeasure();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isMeasuring(); }, 30000));
        ASSERT_TRUE(page.lastResult()->ok()) << describeMeasureResult(*page.lastResult());
    } else {  // no measurement needed to be refused
        Measurement m = peakedSpeaker().measurement();
        ASSERT_TRUE(MeasurementStore(store.path().toStdString()).save(m));
        page.refreshStored();
    }
    Panel* panel = openCorrect(page);
    ASSERT_NE(panel, nullptr) << messages.join('\n').toStdString();
    for (const auto& [id, hz] :
         {std::pair{Panel::IDC_CORRECT_FROM, "100"}, {Panel::IDC_CORRECT_TO, "10000"}}) {
        in<QLineEdit>(panel, id)->setText(hz);
        Q_EMIT in<QLineEdit>(panel, id)->editingFinished();
    }
    planOf(panel);
    ASSERT_EQ(panel->plan().channels.size(), pipeWire ? 2u : 1u) << figures(panel).toStdString();
    auto* status = in<QLabel>(panel, Panel::IDC_CORRECT_STATUS);
    auto* install = in<QPushButton>(panel, Panel::IDC_CORRECT_INSTALL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return install->isEnabled(); }, 10000));  // listed
    install->click();
    if (!pipeWire) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().contains("PulseAudio"); }, 10000))
            << status->text().toStdString();
        return;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->afterChannels().empty(); }, 20000))
        << status->text().toStdString() << speaker.log();
    const auto& after = panel->afterChannels();
    ASSERT_EQ(after.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string n = std::to_string(k + 1);
        RecordProperty("before_db_" + n, std::to_string(panel->plan().channels[k].beforeDb));
        RecordProperty("predicted_db_" + n, std::to_string(panel->plan().channels[k].deviationDb));
        RecordProperty("after_db_" + n, std::to_string(after[k].deviationDb));
        EXPECT_GT(panel->plan().channels[k].beforeDb, 5.0);
        EXPECT_LT(after[k].deviationDb, 1.0);
    }
    RecordProperty("after_level_db", std::to_string(after[1].levelDb));
    RecordProperty("after_arrival_ms", std::to_string(after[1].arrivalMs.value_or(99)));
    EXPECT_NEAR(after[1].levelDb, 0, 0.2);
    EXPECT_NEAR(after[1].arrivalMs.value_or(99), 0, 0.05);
    EXPECT_TRUE(figures(panel).contains(
        QString("through the correction ±%1 dB").arg(after[0].deviationDb, 0, 'f', 1)));
    EXPECT_NE(curveNamed(page.plot(), "Channel 1 after"), nullptr);
    EXPECT_EQ(page.storedIds().size(), 4u);  // stored like any run

    auto* outputs = in<QTreeWidget>(panel, Panel::IDC_CORRECT_OUTPUTS);
    ASSERT_EQ(outputs->topLevelItemCount(), 1);
    EXPECT_TRUE(outputs->topLevelItem(0)->text(2).startsWith("present"));
    in<QPushButton>(panel, Panel::IDC_CORRECT_REMOVE)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith("Removed"); }, 10000))
        << status->text().toStdString();
    EXPECT_EQ(outputs->topLevelItemCount(), 0);
}

QUILBO_ON_BOTH_SERVERS(CorrectPage);

}  // namespace
}  // namespace quilbo::test
