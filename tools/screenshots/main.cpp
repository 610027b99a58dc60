// quilbo-screenshots: draws every tab of the main window, in English and in Chinese, into a
// folder as main-<language>-<page>.png (the pictures of the README). Runs on Qt's offscreen
// platform with no sound server: nothing is played, and the Speakers page is shown the 5.1
// layout beside a stereo output.
#include "app/MainDlg.h"
#include "app/ShellArt.h"
#include "app/TabPane.h"
#include "audio/SinkLayout.h"
#include "pages/RunInPage.h"
#include "pages/SpeakersPage.h"
#include "res/ResourceInit.h"
#include "res/Translations.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QTabBar>
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
                 {CMainDlg::StatementTab, "licence"}};
    bool ok = true;
    for (const auto& page : pages) {
        window.tabPane()->tabBar()->setCurrentIndex(page.tab);
        if (page.tab == CMainDlg::SpeakersTab) {
            qobject_cast<QComboBox*>(window.speakersPage()->control(CSpeakersPage::IDC_LAYOUT))
                ->setCurrentIndex(CSpeakersPage::Surround51);
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
