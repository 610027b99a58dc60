// quilbo-screenshots: draws every tab of the main window, in English and in Chinese, into a
// folder as main-<language>-<page>.png (the pictures of the README). Runs on Qt's offscreen
// platform with no sound server: nothing is played, the Speakers page is shown the 5.1 layout
// beside a stereo output, and the Measure page a run-in's before and after, measured offline.
#include "app/MainDlg.h"
#include "app/ShellArt.h"
#include "app/TabPane.h"
#include "audio/MeasurementRun.h"
#include "audio/SinkLayout.h"
#include "measure/Biquad.h"
#include "measure/MeasurementStore.h"
#include "pages/MeasurePage.h"
#include "pages/RunInPage.h"
#include "pages/SpeakersPage.h"
#include "res/ResourceInit.h"
#include "res/Translations.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

using namespace quilbo;

// The output a typical laptop has.
class StereoOutput : public SinkLayoutSource {
public:
    std::optional<SinkLayout> defaultSinkLayout() override {
        return SinkLayout{"Built-in Audio Analog Stereo",
                          {SpeakerPosition::FrontLeft, SpeakerPosition::FrontRight}};
    }
};

// A loudspeaker with a 1 kHz bump (a peaking filter) and 2.5 ms away, measured without a server:
// its recording made here and analysed by the engine, then stored as a run-in's before or after.
bool storeExample(const std::string& name, double bumpDb) {
    MeasureSettings settings;
    settings.sweep.rate = 48000;
    settings.sweep.seconds = 3;
    settings.sweep.levelDbfs = -20;
    std::vector<float> recording(120, 0.0F);  // the delay
    const std::vector<float> played = measurementSignal(settings);
    recording.insert(recording.end(), played.begin(), played.end());
    recording.resize(recording.size() + static_cast<std::size_t>(settings.tailSeconds * 48000));
    Biquad::peaking(48000, 1000, bumpDb, 1.4).process(recording);
    Biquad::highShelf(48000, 8000, -3, 0.7).process(recording);
    const MeasureResult result = analyseRecording(std::move(recording), settings);
    if (!result.ok()) {
        return false;
    }
    Measurement m;
    m.name = name;
    m.date = "2026-12-07T18:00:00Z";
    m.sweep = settings.sweep;
    m.impulse = result.channels[0].analysis.impulse;
    m.response = result.channels[0].analysis.response;
    return static_cast<bool>(MeasurementStore(MeasurementStore::defaultFolder()).save(m));
}

void settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

bool drawWindow(const QDir& folder, const QString& language) {
    // A session 1 h 23 min 45 s in: the clock moves on once the session has started.
    std::int64_t now = 1'700'000'000;
    StereoOutput output;
    MainDlgServices services;
    services.clock = [&now] { return now; };
    services.urlOpener = [](const QUrl&) {};
    services.sinkLayouts = &output;
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    if (!storeExample("Run-in 2026-12-07 18:00 before, channel 1", 6) ||
        !storeExample("Run-in 2026-12-07 18:00 after, channel 1", 4)) {
        QTextStream(stderr) << "the example measurement failed\n";
        return false;
    }
    CMainDlg window(std::move(services));
    // No output here: the failed opens are not shown.
    window.runInPage()->setMessagePresenter([](QWidget*, const QString&) {});
    window.speakersPage()->setMessagePresenter([](QWidget*, const QString&) {});
    window.show();
    settle();

    window.runInPage()->OnRunInButton();
    now += 1 * 3600 + 23 * 60 + 45;
    window.runInPage()->OnTimer();

    const struct {
        int tab;
        const char* name;
    } pages[] = {{CMainDlg::FrequencyTab, "frequency"},
                 {CMainDlg::RunInTab, "runin"},
                 {CMainDlg::SpeakersTab, "speakers"},
                 {CMainDlg::MeasureTab, "measure"},
                 {CMainDlg::StatementTab, "licence"}};
    bool ok = true;
    for (const auto& page : pages) {
        window.tabPane()->tabBar()->setCurrentIndex(page.tab);
        if (page.tab == CMainDlg::SpeakersTab) {
            qobject_cast<QComboBox*>(window.speakersPage()->control(CSpeakersPage::IDC_LAYOUT))
                ->setCurrentIndex(CSpeakersPage::Surround51);
        }
        if (page.tab == CMainDlg::MeasureTab) {
            CMeasurePage* measure = window.measurePage();
            measure->setSmoothing(Smoothing::Octave6);
            for (const std::string& id : measure->storedIds()) {
                measure->setChecked(id, true);
            }
        }
        settle();
        const QString file =
            folder.filePath(QStringLiteral("main-%1-%2.png").arg(language, page.name));
        if (!window.grab().save(file)) {
            QTextStream(stderr) << "cannot write " << file << '\n';
            ok = false;
        }
    }
    window.OnClose();
    qunsetenv("XDG_DATA_HOME");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilbo"));
    if (argc != 2) {
        QTextStream(stderr) << "usage: quilbo-screenshots <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists()) {
        QTextStream(stderr) << "no such folder: " << folder.path() << '\n';
        return 2;
    }
    quilbo::initResources();
    QApplication::setWindowIcon(quilbo::appIcon());
    bool ok = true;
    for (const char* language : {"en", "zh"}) {
        quilbo::installTranslations(
            QLocale(QString::fromLatin1(language == std::string_view("zh") ? "zh_CN" : "en_US")));
        ok = drawWindow(folder, QString::fromLatin1(language)) && ok;
    }
    return ok ? 0 : 1;
}
