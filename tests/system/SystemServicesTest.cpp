// The system services as the pages use them, against python-dbusmock's logind on a private system
// bus: the lock against sleep through every end of a run-in or a looped play; without logind.
#include "pages/RunInPage.h"
#include "system/LogindPowerOff.h"
#include "system/LogindSleepInhibitor.h"
#include "tests/support/FakeWaveOut.h"
#include "tests/support/MockLogind.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace quilbo::test {
namespace {

std::unique_ptr<MockLogind> g_logind;

constexpr char kRunIn[] = "A loudspeaker run-in is in progress.";

class SystemServices : public ::testing::Test {
protected:
    static void TearDownTestSuite() { g_logind.reset(); }
    void SetUp() override {
        if (!g_logind) {
            g_logind = std::make_unique<MockLogind>();
        }
        ASSERT_TRUE(g_logind->running());
    }

    // The one lock a page holds, as logind lists it.
    static QList<QStringList> held(const char* why) {
        return {{"sleep:idle", "Quilbo", why, "block"}};
    }
    // Logind drops a lock when it sees its descriptor closed, which it learns apart from the bus.
    static bool allReleased() {
        return QTest::qWaitFor([] { return MockLogind::inhibitors().isEmpty(); }, 10000);
    }
    static void noMessage(QWidget*, const QString& text) { ADD_FAILURE() << text.toStdString(); }
    static QAbstractButton* button(CFrequencyPage& page, int id) {
        return qobject_cast<QAbstractButton*>(page.control(id));
    }

    FakeWaveOut device;
    LogindPowerOff powerOff;
    LogindSleepInhibitor inhibitor;
    std::int64_t now = 0;

    // A session started at 0 s that ends after `hours`. No message box: it would wait for ever.
    std::unique_ptr<CRunInPage> runInPage(const char* hours = "1") {
        auto page = std::make_unique<CRunInPage>(&device, nullptr, &powerOff, &inhibitor);
        page->setMessagePresenter(noMessage);
        page->tickTimer()->stop();
        page->setCalendarClock([this] { return now; });
        page->setQuitRequest([](int) {});
        qobject_cast<QComboBox*>(page->control(CRunInPage::IDC_HOURS))->setEditText(hours);
        now = 0;
        page->OnRunInButton();
        return page;
    }
    std::unique_ptr<CFrequencyPage> loopingPage(bool repeat = true) {
        auto page = std::make_unique<CFrequencyPage>(&device, &inhibitor);
        page->setMessagePresenter(noMessage);
        button(*page, CFrequencyPage::IDC_REPEAT)->setChecked(repeat);
        page->OnPlay();
        return page;
    }
};

TEST_F(SystemServices, EachPageHoldsItsLockUntilItEndsInAnyWay) {
    const auto runIn = [](auto& page) { return static_cast<CRunInPage*>(page.get()); };
    const auto stop = [](auto& page) { button(*page, CFrequencyPage::IDC_STOP)->click(); };
    const auto tearDown = [](auto& page) { page.reset(); };
    struct Case {
        const char* name;
        const char* why;  // the run-in's or the looped play's
        std::function<void(std::unique_ptr<CFrequencyPage>&)> end;
    };
    constexpr char kLoop[] = "A test signal is playing in a loop.";
    const std::vector<Case> cases = {
        {"Stop Run In", kRunIn, [runIn](auto& page) { runIn(page)->OnRunInButton(); }},
        {"Exit quilbo", kRunIn,
         [&](auto& page) {
             button(*page, CRunInPage::IDC_EXIT_PROGRAM)->setChecked(true);
             now = 2 * 3600;
             runIn(page)->OnTimer();
             EXPECT_FALSE(runIn(page)->isRunning());
         }},
        {"Shut down, and the system ends the program", kRunIn,
         [&](auto& page) {
             const qsizetype before = g_logind->calls().count("PowerOff False");
             now = 2 * 3600;
             runIn(page)->OnTimer();
             runIn(page)->OnTimer();
             // Sleep is inhibited, shutdown is not: the requests (never interactive) go out.
             EXPECT_EQ(MockLogind::inhibitors(), held(kRunIn));
             EXPECT_EQ(g_logind->calls().count("PowerOff False"), before + 2);
             page.reset();
         }},
        {"run-in page torn down", kRunIn, tearDown},
        {"Stop", kLoop, stop},
        {"device gone", kLoop,
         [this](auto& page) {
             device.writeResult = WaveResult::Failed;
             device.completeAll();
             EXPECT_TRUE(QTest::qWaitFor([&] { return !page->isPlaying(); }));
             device.writeResult = WaveResult::Ok;
         }},
        {"Frequency page torn down", kLoop, tearDown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CFrequencyPage> page = c.why == kRunIn ? runInPage() : loopingPage();
        EXPECT_EQ(MockLogind::inhibitors(), held(c.why));
        c.end(page);
        EXPECT_TRUE(allReleased());
    }

    // Stopped before logind answers: its answer, and the descriptor in it, are dropped.
    std::unique_ptr<CFrequencyPage> page = loopingPage();
    stop(page);
    EXPECT_TRUE(allReleased());
    page = loopingPage(false);
    EXPECT_TRUE(page->isPlaying());
    EXPECT_TRUE(MockLogind::inhibitors().isEmpty()) << "a play once holds no lock";
}

// Last, since the system bus of this process is gone after it.
TEST_F(SystemServices, WithoutLogindEverythingRunsWithoutALock) {
    g_logind.reset();
    EXPECT_TRUE(loopingPage()->isPlaying());
    std::unique_ptr<CRunInPage> page = runInPage("-1");
    page->OnTimer();  // "Shut down" at once
    EXPECT_TRUE(page->isRunning() && page->isPlaying());
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace quilbo::test
