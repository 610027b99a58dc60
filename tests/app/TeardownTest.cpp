// Every end of the main window goes through the one teardown: both players stopped (Run In
// first), the volume notices let go, then the pages destroyed, and nothing runs afterwards.
// Keys inside a page never end the window.
#include "MainWindowFixture.h"

#include "app/BurnInApp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QTextBrowser>
#include <QWindow>

#include <functional>

namespace quilbo::test {
namespace {

constexpr std::int64_t kTwoHoursAndASecond = 2 * 3600 + 1;

struct EndPath {
    const char* name;
    std::function<void(CMainDlg&, std::int64_t& now)> end;
};

class TeardownTest : public MainWindowFixture, public ::testing::WithParamInterface<EndPath> {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    }

    // The window has ended through the teardown, and nothing of it runs any more.
    void expectTornDown() {
        ASSERT_TRUE(dlg->isClosed());
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->frequencyPage(), nullptr);
        EXPECT_EQ(dlg->runInPage(), nullptr);
        EXPECT_EQ(dlg->statementPage(), nullptr);
        EXPECT_EQ(dlg->exitStatus(), 0);
        EXPECT_EQ(teardownOf(log), kTeardown);
        for (int device : {1, 2}) {
            EXPECT_FALSE(waveOut.device(device).deviceOpen()) << device;
            EXPECT_EQ(waveOut.device(device).queued(), 0u) << device;
            EXPECT_EQ(waveOut.device(device).completeAll(), 0) << device;
        }
        EXPECT_FALSE(volume.hasCallback());
        const std::size_t entries = log.size();
        volume.changeFromOutside(1234);
        now += 10 * 3600;
        QTest::qWait(50);
        EXPECT_EQ(log.size(), entries);
        EXPECT_EQ(powerOff.requests, 0);
        EXPECT_TRUE(opened.empty());
    }
};

TEST_P(TeardownTest, EndsThroughTheOneTeardown) {
    playBoth();
    GetParam().end(*dlg, now);
    // Ends that come from inside a page arrive a little later.
    QTRY_VERIFY_WITH_TIMEOUT(dlg->isClosed(), 2000);
    expectTornDown();
}

QWidget* linkButton(CMainDlg& window) {
    return window.control(CMainDlg::IDC_PARTNER_LINK);
}

void keyOn(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    widget->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(widget, key, modifiers);
}

INSTANTIATE_TEST_SUITE_P(
    AllEnds, TeardownTest,
    ::testing::Values(
        EndPath{"CloseBox", [](CMainDlg& w, std::int64_t&) { w.close(); }},
        EndPath{"WindowManagerClose",
                [](CMainDlg& w, std::int64_t&) { w.windowHandle()->close(); }},
        EndPath{"EscapeOnTabStrip",
                [](CMainDlg& w, std::int64_t&) { keyOn(w.tabPane()->tabBar(), Qt::Key_Escape); }},
        EndPath{"EscapeOnLinkButton",
                [](CMainDlg& w, std::int64_t&) { keyOn(linkButton(w), Qt::Key_Escape); }},
        EndPath{"EnterOnLinkButton",
                [](CMainDlg& w, std::int64_t&) { keyOn(linkButton(w), Qt::Key_Return); }},
        EndPath{"KeypadEnterOnTabStrip",
                [](CMainDlg& w, std::int64_t&) {
                    keyOn(w.tabPane()->tabBar(), Qt::Key_Enter, Qt::KeypadModifier);
                }},
        EndPath{"ExitQuilboAtTheEndOfTheSession",
                [](CMainDlg& w, std::int64_t& now) {
                    chooseExitAfterOneHour(w);
                    now += kTwoHoursAndASecond;
                    w.runInPage()->OnTimer();
                    // Asked for from inside the page's tick: the page must outlive it.
                    EXPECT_NE(w.runInPage(), nullptr);
                    EXPECT_FALSE(w.isClosed());
                }}),
    [](const ::testing::TestParamInfo<EndPath>& info) { return std::string(info.param.name); });

using PageKeysTest = MainWindowFixture;

TEST_F(PageKeysTest, EscapeAndEnterInsideAPageNeverEndTheWindow) {
    playBoth();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    QWidget* wave = dlg->frequencyPage()->control(CFrequencyPage::IDC_WAVE);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        keyOn(wave, key);
    }
    clickTab(CMainDlg::RunInTab);
    keyOn(dlg->runInPage()->control(CRunInPage::IDC_HOURS), Qt::Key_Escape);
    clickTab(CMainDlg::StatementTab);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        keyOn(dlg->statementPage()->browser(), key);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg->isClosed());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->frequencyPage()->isPlaying());
    EXPECT_TRUE(dlg->runInPage()->isPlaying());
    EXPECT_EQ(teardownOf(log), EventLog{});
}

// The application object runs the window modally; tests drive it from inside its event loop.
class BurnInAppTest : public MainWindowFixture {
protected:
    void SetUp() override {}  // the application object makes its own window

    // Runs the program on the fakes; during runs once its window is up.
    int runProgram(const std::function<void(CMainDlg&)>& during) {
        CBurnInApp app(services());
        bool ran = false;
        QTimer::singleShot(0, [&] {
            CMainDlg* window = app.mainWindow();
            if (window == nullptr) {
                ADD_FAILURE() << "no main window while the program runs";
                return;
            }
            ran = true;
            watchPages(*window);
            during(*window);
        });
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(ran);
        EXPECT_EQ(app.mainWindow(), nullptr);
        return app.exitStatus();
    }
};

TEST_F(BurnInAppTest, ExitQuilboEndsTheProgramWithStatusZeroAfterTheTeardown) {
    const int status = runProgram([this](CMainDlg& window) {
        playFrequency(window);
        startRunIn(window);
        chooseExitAfterOneHour(window);
        now += kTwoHoursAndASecond;
        window.runInPage()->OnTimer();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(teardownOf(log), kTeardown);
    EXPECT_FALSE(volume.hasCallback());
}

TEST_F(BurnInAppTest, AModalRunEndedWithoutTheWindowsOwnEndStillTearsDown) {
    // Hiding the window from elsewhere ends its modal run but not through done().
    runProgram([](CMainDlg& window) {
        playFrequency(window);
        startRunIn(window);
        window.hide();
    });
    EXPECT_EQ(teardownOf(log), kTeardown);
}

TEST_F(BurnInAppTest, SessionEndWhileAPageMessageIsOpenClosesTheMessageFirst) {
    bool sawMessage = false;
    const int status = runProgram([&](CMainDlg& window) {
        chooseExitAfterOneHour(window);
        startRunIn(window);
        waveOut.setOpenFails(true);
        // The session ends while "Failed to open waveform output device." waits for the user.
        QTimer::singleShot(0, [&] {
            sawMessage = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
            now += kTwoHoursAndASecond;
            window.runInPage()->OnTimer();
        });
        playFrequency(window);
        log.push_back("message closed");
    });
    EXPECT_TRUE(sawMessage);
    EXPECT_EQ(status, 0);
    const EventLog expected = {"open 1",
                               "reset 1",
                               "close 1",
                               "message closed",
                               "volume off",
                               "destroyed Run In",
                               "destroyed Frequency",
                               "destroyed statement"};
    EventLog firsts;
    for (const std::string& entry : log) {
        if (std::find(firsts.begin(), firsts.end(), entry) == firsts.end()) {
            firsts.push_back(entry);
        }
    }
    EXPECT_EQ(firsts, expected);
}

}  // namespace
}  // namespace quilbo::test
