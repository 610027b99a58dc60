// The main window and the application object on fakes: every way the window ends stops every
// page's sound (Run In first) before any page goes and leaves nothing running; keys inside a page
// end nothing; the pages go on behind other tabs; the links open their addresses.
#include "app/AboutDlg.h"
#include "app/BurnInApp.h"
#include "app/TabPane.h"
#include "pages/MeasurePage.h"
#include "pages/PlayerMessages.h"
#include "pages/SpeakerMap.h"
#include "pages/SpeakersPage.h"
#include "pages/StatementPage.h"
#include "res/QuilboConfig.h"
#include "tests/support/PageFixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

namespace quilbo::test {
namespace {

// The end of a window whose Frequency page played on device n, the session on the next and the
// Speakers page on the one after.
EventLog teardownOf(int n) {
    const std::string f = std::to_string(n), r = std::to_string(n + 1), s = std::to_string(n + 2);
    return {"reset " + r,  "close " + r,  "reset " + f,  "close " + f,
            "reset " + s,  "close " + s,  "volume off",  "destroyed 1",
            "destroyed 0", "destroyed 3", "destroyed 4", "destroyed 2"};
}

class MainWindow : public PageTest {
public:
    std::vector<QUrl> opened;
    std::unique_ptr<CMainDlg> dlg;

    MainDlgServices services() {
        waveOut.log = volume.log = &log;
        return {&waveOut,
                &volume,
                &powerOff,
                nullptr,
                [this] { return now; },
                [this](const QUrl& url) { opened.push_back(url); }};
    }
    void SetUp() override {
        dlg = std::make_unique<CMainDlg>(services());
        play(*dlg);
        dlg->show();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    }
    // Every page playing: the Frequency page's one-second loop, the session, a speaker.
    void play(CMainDlg& window) {
        const QWidget* pages[] = {window.frequencyPage(), window.runInPage(),
                                  window.statementPage(), window.speakersPage(),
                                  window.measurePage()};
        for (int i = 0; i < 5; ++i) {
            QObject::connect(pages[i], &QObject::destroyed,
                             [this, i] { log.push_back("destroyed " + std::to_string(i)); });
        }
        type(*window.frequencyPage(), CFrequencyPage::IDC_TIME, "1");
        ctl(*window.frequencyPage(), CFrequencyPage::IDC_REPEAT)->click();
        click(*window.frequencyPage(), CFrequencyPage::IDC_PLAY);
        click(*window.runInPage(), CRunInPage::IDC_RUN_IN);
        window.speakersPage()->speakerMap()->speakerButton(0)->click();
    }
    // "Exit quilbo" at the end of the session, from inside the page's tick.
    void endSession(CMainDlg& window) {
        type(*window.runInPage(), CRunInPage::IDC_HOURS, "1");
        ctl(*window.runInPage(), CRunInPage::IDC_EXIT_PROGRAM)->click();
        now += 2 * kHour + 1;
        window.runInPage()->OnTimer();
    }
    // The log from the first reset on, each step at its first occurrence.
    EventLog teardown() const {
        EventLog steps;
        auto it = std::find_if(log.begin(), log.end(), [](auto& e) { return e[0] == 'r'; });
        std::copy_if(it, log.end(), std::back_inserter(steps), [&](auto& e) {
            return std::find(steps.begin(), steps.end(), e) == steps.end();
        });
        return steps;
    }
};

void keyOn(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    widget->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(widget, key, modifiers);
}

struct EndPath {
    const char* name;
    std::function<void(MainWindow&, CMainDlg&)> end;
};
class WindowEnd : public MainWindow, public ::testing::WithParamInterface<EndPath> {};

TEST_P(WindowEnd, StopsEveryPageThenDestroysThemAndNothingRunsAfter) {
    GetParam().end(*this, *dlg);
    // Ends from inside a page come later. (Qt's QTRY macros would only return on a failure.)
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->isClosed(); }, 30000));
    EXPECT_EQ(teardown(), teardownOf(1));
    EXPECT_EQ(dlg->exitStatus(), 0);
    EXPECT_FALSE(dlg->isVisible());
    const std::size_t steps = log.size();
    volume.changeFromOutside(1234);
    now += 10 * kHour;
    QTest::qWait(50);
    EXPECT_EQ(log.size(), steps);
    EXPECT_EQ(powerOff.requests, 0);
}

// A key on a link, or on the tab bar (0).
std::function<void(MainWindow&, CMainDlg&)> keyEnd(int link, Qt::Key key,
                                                   Qt::KeyboardModifiers modifiers = {}) {
    return [=](MainWindow&, CMainDlg& w) {
        keyOn(link ? w.control(link) : w.tabPane()->tabBar(), key, modifiers);
    };
}

const EndPath kEnds[] = {{"CloseBox", [](MainWindow&, CMainDlg& w) { w.close(); }},
                         {"AltF4", [](MainWindow&, CMainDlg& w) { w.windowHandle()->close(); }},
                         {"EscapeOnTheTabs", keyEnd(0, Qt::Key_Escape)},
                         {"EscapeOnALink", keyEnd(CMainDlg::IDC_PARTNER_LINK, Qt::Key_Escape)},
                         {"EnterOnALink", keyEnd(CMainDlg::IDC_MAKER_LINK, Qt::Key_Return)},
                         {"KeypadEnterOnTheTabs", keyEnd(0, Qt::Key_Enter, Qt::KeypadModifier)},
                         {"EndOfTheRunIn", [](MainWindow& t, CMainDlg& w) {
                              t.endSession(w);
                              EXPECT_NE(w.runInPage(), nullptr)
                                  << "the page must outlive its own tick";
                          }}};
INSTANTIATE_TEST_SUITE_P(Every, WindowEnd, ::testing::ValuesIn(kEnds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, KeysInPagesEndNothingWhileThePagesGoOnBehindOtherTabs) {
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        keyOn(dlg->frequencyPage()->control(CFrequencyPage::IDC_WAVE), key);
        keyOn(dlg->frequencyPage()->control(CFrequencyPage::IDC_TIME), key);
        keyOn(dlg->runInPage()->control(CRunInPage::IDC_HOURS), key);
        keyOn(dlg->statementPage()->browser(), key);
    }
    dlg->tabPane()->tabBar()->setCurrentIndex(CMainDlg::StatementTab);
    EXPECT_TRUE(dlg->statementPage()->isVisible() && !dlg->runInPage()->isVisible());
    for (int device : {1, 2}) {  // returned pieces are still replaced
        waveOut.completeNext(device);
        EXPECT_EQ(waveOut.queued(device), 4u);
    }
    now += 3 * kHour + 25 * 60 + 7;
    auto* elapsed = ctl<QLabel>(*dlg->runInPage(), CRunInPage::IDC_ELAPSED);
    EXPECT_TRUE(QTest::qWaitFor([&] { return elapsed->text() == "03:25:07"; }, 30000))
        << elapsed->text().toStdString();
    keyOn(dlg->frequencyPage()->control(CFrequencyPage::IDC_STOP), Qt::Key_Return);  // a click
    EXPECT_FALSE(dlg->frequencyPage()->isPlaying() || dlg->isClosed());
    EXPECT_TRUE(dlg->runInPage()->isPlaying());
}

// The window's own keys and tabs as a user meets them: a click on each tab shows that page alone
// under its name, F1 and the right-click menu open the About box over the window, which goes on.
TEST_F(MainWindow, EachTabShowsItsPageAloneAndF1OrTheMenuOpensTheAboutBox) {
    QTabBar* tabs = dlg->tabPane()->tabBar();
    const QWidget* pages[] = {dlg->frequencyPage(), dlg->runInPage(), dlg->speakersPage(),
                              dlg->measurePage(), dlg->statementPage()};
    const QStringList names = {"Frequency", "Run In", "Speakers", "Measure", "Licence"};
    ASSERT_EQ(tabs->count(), 5);
    for (int tab : {4, 1, 3, 2, 0}) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        EXPECT_EQ(tabs->tabText(tab), names[tab]);
        for (int page = 0; page < 5; ++page) {
            EXPECT_EQ(pages[page]->isVisible(), page == tab) << "tab " << tab << ", page " << page;
        }
    }
    QStringList about;
    auto closeAbout = [&] {
        QWidget* box = QApplication::activeModalWidget();
        about << (qobject_cast<CAboutDlg*>(box) != nullptr ? "About" : "none");
        if (box != nullptr) {
            QTest::keyClick(box, Qt::Key_Escape);
        }
    };
    QTimer::singleShot(200, closeAbout);
    QTest::keyClick(dlg.get(), Qt::Key_F1);
    QTimer::singleShot(200, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu != nullptr && !menu->actions().isEmpty()) {
            about << menu->actions().constFirst()->text();
            QTimer::singleShot(200, closeAbout);
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 dlg->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dlg.get(), &rightClick);
    EXPECT_EQ(about, (QStringList{"About", "&About Quilbo...", "About"}));
    EXPECT_TRUE(dlg->isVisible() && dlg->frequencyPage()->isPlaying() &&
                dlg->runInPage()->isRunning());
}

TEST_F(MainWindow, TheLinksAndTheStatementOpenTheirAddressesThroughTheBrowser) {
    QTest::mouseClick(dlg->control(CMainDlg::IDC_PARTNER_LINK), Qt::LeftButton);
    QTest::mouseClick(dlg->control(CMainDlg::IDC_MAKER_LINK), Qt::LeftButton);
    QTest::mouseClick(dlg->control(CMainDlg::IDC_AD_BANNER), Qt::LeftButton);
    QTest::mouseClick(dlg->control(CMainDlg::IDC_AD_BANNER), Qt::RightButton);
    QTextBrowser* browser = dlg->statementPage()->browser();
    const QString text = browser->toPlainText();
    keyOn(browser, Qt::Key_Tab);  // to the statement's first link, followed with Enter
    QTest::keyClick(browser, Qt::Key_Return);
    const QUrl partner(config::kPartnerUrl);
    EXPECT_EQ(opened, (std::vector<QUrl>{partner, QUrl(config::kMakerUrl),
                                         QUrl(config::kAdvertiserUrl), partner}));
    EXPECT_EQ(browser->toPlainText(), text);
}

// Whatever stands in the measurements folder under a measurement's name, the window shows at
// once, each row says what is wrong with its entry, and nothing in the folder changes. (Tests
// run as root, for whom no permission stops a read: a link to /proc/self/mem, which the kernel
// refuses to read at its start, is the regular file that cannot be read.)
class HostileStore : public MainWindow {
protected:
    void SetUp() override {}
};

TEST_F(HostileStore, TheWindowShowsAtOnceAndEachRowSaysWhatIsWrongWithItsEntry) {
    QTemporaryDir data;
    const std::string folder = data.path().toStdString() + "/quilbo/measurements";
    Measurement good;
    good.name = "Good";
    good.impulse.assign(480, 0.5F);
    ASSERT_TRUE(MeasurementStore(folder).save(good));
    const auto at = [&](const std::string& id) { return folder + "/" + id + ".qmeas"; };
    std::ifstream file(at(good.id), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    const auto write = [&](const char* id, const std::string& content) {
        std::ofstream(at(id), std::ios::binary) << content;
        return at(id);
    };
    write("flipped", bytes.substr(0, bytes.size() - 1) + char(bytes.back() ^ 0x10));
    write("truncated", bytes.substr(0, bytes.size() - 7));
    ASSERT_EQ(::truncate(write("huge", "").c_str(), std::int64_t{1} << 33), 0);
    ASSERT_EQ(::mkdir(at("m20260101000011").c_str(), 0755) + ::mkfifo(at("fifo").c_str(), 0644) +
                  ::symlink("/dev/zero", at("zero").c_str()) +
                  ::symlink(at("loop").c_str(), at("loop").c_str()) +
                  ::symlink("/proc/self/mem", at("mem").c_str()) +
                  ::symlink(at("nothing").c_str(), at("dangling").c_str()),
              0);
    const auto snapshot = [&] {
        std::map<std::string, std::tuple<int, std::int64_t, std::int64_t>> entries;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            struct stat st {};
            ::lstat(entry.path().c_str(), &st);
            entries[entry.path().filename()] = {st.st_mode, st.st_size, st.st_mtim.tv_nsec};
        }
        return entries;
    };
    const auto before = snapshot();

    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QElapsedTimer clock;
    clock.start();
    dlg = std::make_unique<CMainDlg>(services());
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    EXPECT_LT(clock.elapsed(), 2000);
    qunsetenv("XDG_DATA_HOME");
    CMeasurePage& page = *dlg->measurePage();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.isListingStored(); }, 20000));

    const char* notAFile = "unreadable: it is a folder, a FIFO or a device";
    const std::map<std::string, const char*> says = {
        {good.id, "Good"},
        {"flipped", "checksum"},
        {"truncated", "truncated"},
        {"m20260101000011", notAFile},
        {"zero", notAFile},
        {"fifo", notAFile},
        {"loop", "unreadable: its symbolic links lead in a loop"},
        {"mem", "unreadable: the system cannot read it (Input/output error)"},
        {"dangling", "unreadable: it is gone"},
        {"huge", "unreadable: it is far larger than any measurement"}};
    auto* list = qobject_cast<QTreeWidget*>(page.control(CMeasurePage::IDC_STORED));
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(says.size()));
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list->topLevelItem(i);
        const std::string id = row->data(0, Qt::UserRole).toString().toStdString();
        const QString shown = row->text(0) + " " + row->toolTip(0);
        EXPECT_TRUE(says.count(id) && shown.contains(says.at(id)))
            << id << ": " << shown.toStdString();
    }
    EXPECT_EQ(snapshot(), before);
}

// The application object runs the window modally; during runs inside its event loop.
class Program : public MainWindow {
protected:
    void SetUp() override {}
    void runProgram(const std::function<void(CMainDlg&)>& during) {
        CBurnInApp app(services());
        QTimer::singleShot(0, [&] { during(*app.mainWindow()); });
        EXPECT_FALSE(app.InitInstance());
    }
};

TEST_F(Program, TearsDownAsTheWindowDoesWhenItsModalRunEndsFromOutside) {
    runProgram([this](CMainDlg& w) { play(w), w.hide(); });
    EXPECT_EQ(teardown(), teardownOf(1));
}

TEST_F(Program, ASessionEndWhileAPageMessageIsOpenClosesTheMessageFirst) {
    QString box;
    runProgram([&](CMainDlg& w) {
        play(w);
        click(*w.frequencyPage(), CFrequencyPage::IDC_STOP);
        waveOut.openResult = WaveResult::NoDevice;
        // The render handles events too, so look until the message is up.
        auto* probe = new QTimer(&w);
        QObject::connect(probe, &QTimer::timeout, [&, probe] {
            auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (message != nullptr) {
                probe->stop();
                box = message->windowTitle() + '|' + message->text();
                EXPECT_EQ(message->parentWidget(), w.frequencyPage());
                endSession(w);
            }
        });
        probe->start(0);
        click(*w.frequencyPage(), CFrequencyPage::IDC_PLAY);
        log.push_back("message closed");
    });
    EXPECT_EQ(box, "Quilbo|" + PlayerMessages::openFailed());
    EXPECT_EQ(teardown(), (EventLog{"reset 1", "close 1", "reset 2", "close 2", "message closed",
                                    "reset 3", "close 3", "volume off", "destroyed 1",
                                    "destroyed 0", "destroyed 3", "destroyed 4", "destroyed 2"}));
}

// An end due while the Frequency page renders (the session's "Exit quilbo" at a tick of its timer,
// the window closed) takes effect once the render has returned; the session plays on meanwhile.
TEST_F(Program, AnEndDueDuringAFrequencyRenderTakesEffectOnlyAfterTheRenderReturned) {
    for (const auto end : {+[](CMainDlg& w) { w.runInPage()->tickTimer()->start(0); },
                           +[](CMainDlg& w) { w.close(); }}) {
        const int session = waveOut.opens() + 1;  // its device; the Frequency page's next
        std::thread audio;
        int reads = 0;
        bool sessionRanOn = false, barShown = false, renderReturned = false;
        runProgram([&](CMainDlg& w) {
            CRunInPage& runIn = *w.runInPage();
            runIn.tickTimer()->stop();
            type(runIn, CRunInPage::IDC_HOURS, "1");
            ctl(runIn, CRunInPage::IDC_EXIT_PROGRAM)->click();
            click(runIn, CRunInPage::IDC_RUN_IN);
            now += 2 * kHour;
            // The session's device plays on its own thread for part of the render.
            w.frequencyPage()->setProgressClock([&] {
                if (++reads == 1) {
                    audio = std::thread([&] { waveOut.completeAll(40, session); });
                } else if (reads == 10) {
                    audio.join();
                    sessionRanOn = runIn.isRunning() && runIn.isPlaying();
                    barShown = w.frequencyPage()->m_progress->isVisible();
                }
                return std::chrono::steady_clock::time_point(std::chrono::milliseconds(40 * reads));
            });
            QTimer::singleShot(0, w.frequencyPage(), [&] {
                w.frequencyPage()->OnPlay();
                renderReturned = true;
            });
            QTimer::singleShot(0, &w, [&w, end] { end(w); });  // during the render
            QObject::connect(&w, &QDialog::finished, [&] { EXPECT_TRUE(renderReturned); });
        });
        EXPECT_TRUE(sessionRanOn);
        EXPECT_TRUE(barShown) << "the render shows its progress";
        EXPECT_EQ(waveOut.callsOf(FakeWaveOut::Op::Write, session).size(), 4u + 40u);
        EXPECT_EQ(waveOut.opens(), session + 1) << "the block was rendered whole and started";
        EXPECT_FALSE(waveOut.deviceOpen(session) || waveOut.deviceOpen(session + 1));
    }
}

}  // namespace
}  // namespace quilbo::test
