// A run-in session on fakes, ticked by hand with a calendar clock the test sets: when it ends,
// what the end does, the elapsed label in both languages, the button and the keys.
#include "app/MainDlg.h"
#include "res/Translations.h"
#include "tests/runin/RunInFixture.h"

#include <QDialog>
#include <QTest>

#include <cstdint>
#include <string>

namespace quilbo::test {
namespace {

constexpr std::int64_t kHour = 3600;

// Switches the interface to Chinese for one test and back to English after it.
struct ChineseInterface {
    ChineseInterface() { installTranslations(QLocale(QLocale::Chinese, QLocale::China)); }
    ~ChineseInterface() {
        installTranslations(QLocale(QLocale::English));
        QCoreApplication::processEvents();
    }
};

using Session = RunInFixture;

TEST_F(Session, ButtonStartsAndStopsTheSessionAndItsSound) {
    EXPECT_EQ(buttonText(), "START RUN IN");
    EXPECT_EQ(hoursBox()->currentText(), "6");
    EXPECT_TRUE(control<QRadioButton>(CRunInPage::IDC_SHUT_DOWN)->isChecked());
    EXPECT_EQ(label(), "0:0:0:");
    // Idle ticks do nothing at all.
    tickAt(100 * kHour);
    EXPECT_EQ(label(), "0:0:0:");

    clickRunIn();
    EXPECT_TRUE(page->isRunning());
    EXPECT_EQ(buttonText(), "STOP RUN IN");
    EXPECT_TRUE(page->isPlaying());
    EXPECT_TRUE(device.deviceOpen());

    clickRunIn();
    EXPECT_FALSE(page->isRunning());
    EXPECT_EQ(buttonText(), "START RUN IN");
    EXPECT_FALSE(page->isPlaying());
    EXPECT_FALSE(device.deviceOpen());
    EXPECT_EQ(device.queued(), 0U);
    EXPECT_FALSE(ended());
}

TEST_F(Session, EndsAtTheFirstTickWhoseWholeHoursExceedTheChoice) {
    struct Case {
        QString hours;
        std::int64_t endsAt;  // seconds after the start
        QString labelAtEnd;
    };
    const Case cases[] = {
        {"1", 2 * kHour, "02:00:00"},
        {"23", 24 * kHour, "24:00:00"},
        {"24", 25 * kHour, "25:00:00"},
        {"3abc", 4 * kHour, "04:00:00"},  // the number at the start counts
        {"  +2 h", 3 * kHour, "03:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hours.toStdString());
        makePage();
        powerOff.requests = 0;
        now = kEpoch;
        setHours(c.hours);
        start();
        // The whole hours equal to the choice are not enough: strictly greater.
        for (std::int64_t early = 0; early < c.endsAt; early += 599) {
            tickAt(early);
            ASSERT_FALSE(ended()) << early;
        }
        tickAt(c.endsAt - 1);
        ASSERT_FALSE(ended());
        tickAt(c.endsAt);
        EXPECT_EQ(powerOff.requests, 1);
        EXPECT_EQ(label(), c.labelAtEnd);
    }
}

TEST_F(Session, HoursWithoutLeadingDigitsNeverEnd) {
    const std::int64_t tenYears = 87600 * kHour;
    for (const QString& hours : {QString("ALL"), QString(), QString("forever"), QString(" - 5"),
                                 QString("99999999999999999999999"), QString("2147483648")}) {
        SCOPED_TRACE(hours.toStdString());
        makePage();
        setHours(hours);
        now = kEpoch;
        start();
        tickAt(1);
        tickAt(tenYears);
        EXPECT_FALSE(ended());
        EXPECT_TRUE(page->isRunning());
        EXPECT_EQ(label(), "87600:00:00");
    }
}

TEST_F(Session, NegativeHoursEndAtTheFirstTick) {
    for (const QString& hours : {QString("-1"), QString("-99999999999999999999")}) {
        SCOPED_TRACE(hours.toStdString());
        makePage();
        powerOff.requests = 0;
        setHours(hours);
        now = kEpoch;
        start();
        tickAt(0);
        EXPECT_EQ(powerOff.requests, 1);
    }
}

TEST_F(Session, HoursAndEndActionAreReadAfreshAtEveryTick) {
    chooseExit();
    start();
    tickAt(3 * kHour + 5);
    EXPECT_FALSE(ended());

    // Lowering the hours below those already elapsed ends the session at the next tick, with
    // the end action chosen by then.
    setHours("2");
    chooseShutDown();
    tickAt(3 * kHour + 6);
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_TRUE(quitRequests.empty());

    // Ending: asked again at every tick, the session and its sound go on meanwhile.
    tickAt(3 * kHour + 7);
    tickAt(3 * kHour + 8);
    EXPECT_EQ(powerOff.requests, 3);
    EXPECT_TRUE(page->isRunning());
    EXPECT_TRUE(page->isPlaying());
    EXPECT_EQ(buttonText(), "STOP RUN IN");

    // Switching to "Exit quilbo" while ending: the next tick leaves instead.
    chooseExit();
    tickAt(3 * kHour + 9);
    EXPECT_EQ(powerOff.requests, 3);
    EXPECT_EQ(quitRequests, std::vector<int>{0});
}

TEST_F(Session, ExitQuilboStopsTheSoundThenAsksToQuitWithStatusZero) {
    chooseExit();
    setHours("1");
    start();
    ASSERT_TRUE(device.deviceOpen());
    tickAt(2 * kHour);

    EXPECT_EQ(quitRequests, std::vector<int>{0});
    EXPECT_EQ(powerOff.requests, 0);
    // Silenced and released on this thread before the program is asked to quit.
    EXPECT_FALSE(page->isPlaying());
    EXPECT_FALSE(device.deviceOpen());
    EXPECT_EQ(device.queued(), 0U);
    EXPECT_FALSE(page->isRunning());
    EXPECT_EQ(buttonText(), "START RUN IN");
    EXPECT_EQ(label(), "02:00:00");

    // The session is over: should the program not quit at once, later ticks ask nothing more.
    tickAt(2 * kHour + 1);
    tickAt(3 * kHour);
    EXPECT_EQ(quitRequests.size(), 1U);
}

TEST_F(Session, ByDefaultExitQuilboEndsTheEventLoopWithStatusZero) {
    CRunInPage own(&device, &volume, &powerOff);
    own.tickTimer()->stop();
    own.setCalendarClock([this] { return now; });
    own.findChild<QRadioButton*>("exit_1005")->setChecked(true);
    own.findChild<QComboBox*>("hours_1028")->setEditText("1");
    own.findChild<QAbstractButton*>("runIn_1022")->click();
    ASSERT_TRUE(device.deviceOpen());

    now += 2 * kHour;
    QTimer::singleShot(0, &own, [&own] { own.OnTimer(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(device.deviceOpen());
}

TEST_F(Session, StopEndsTheRepeatedShutDownRequests) {
    setHours("1");
    start();
    tickAt(2 * kHour);
    tickAt(2 * kHour + 1);
    ASSERT_EQ(powerOff.requests, 2);

    clickRunIn();
    tickAt(2 * kHour + 2);
    tickAt(5 * kHour);
    EXPECT_EQ(powerOff.requests, 2);
    EXPECT_FALSE(page->isPlaying());
    // The label keeps the last text it showed.
    EXPECT_EQ(label(), "02:00:01");
}

TEST_F(Session, EachStartCountsFromItself) {
    setHours("1");
    start();
    tickAt(5000);
    clickRunIn();
    ASSERT_FALSE(page->isRunning());

    const std::int64_t secondStart = kEpoch + 10000;
    now = secondStart;
    start();
    tickAt(0, secondStart);
    EXPECT_EQ(label(), "00:00:00");
    tickAt(2 * kHour - 1, secondStart);
    EXPECT_EQ(label(), "01:59:59");
    EXPECT_FALSE(ended());
    tickAt(2 * kHour, secondStart);
    EXPECT_EQ(powerOff.requests, 1);
}

TEST_F(Session, ElapsedLabelCountsWholeHoursWithoutWrapping) {
    chooseHoursEntry(0);
    start();
    const std::pair<std::int64_t, const char*> expected[] = {
        {0, "00:00:00"},     {9, "00:00:09"},       {59, "00:00:59"},    {60, "00:01:00"},
        {3599, "00:59:59"},  {3661, "01:01:01"},    {86399, "23:59:59"}, {86400, "24:00:00"},
        {90061, "25:01:01"}, {360000, "100:00:00"}, {-30, "00:00:00"},  // clock set back
    };
    for (const auto& [elapsed, text] : expected) {
        tickAt(elapsed);
        EXPECT_EQ(label(), text) << elapsed;
    }
    // The calendar clock moved forward by a day during the session: the label follows it.
    tickAt(3661 + 24 * kHour);
    EXPECT_EQ(label(), "25:01:01");
}

TEST_F(Session, ChineseInterfaceTextsAndElapsedFormat) {
    const ChineseInterface chinese;
    makePage();
    EXPECT_EQ(hoursBox()->itemText(0), QString::fromUtf8("长期"));
    EXPECT_EQ(hoursBox()->itemText(24), "24");
    EXPECT_EQ(hoursBox()->count(), 25);
    EXPECT_EQ(label(), QString::fromUtf8("0小时0分0秒"));
    EXPECT_NE(buttonText(), "START RUN IN");
    EXPECT_EQ(buttonText(), CRunInPage::startText());

    // The Chinese "long-term" entry never ends a session either.
    chooseHoursEntry(0);
    start();
    EXPECT_EQ(buttonText(), CRunInPage::stopText());
    tickAt(3661);
    EXPECT_EQ(label(), QString::fromUtf8("01小时01分01秒"));
    tickAt(90000);
    EXPECT_EQ(label(), QString::fromUtf8("25小时00分00秒"));
    EXPECT_FALSE(ended());

    // Back to English while running: the texts follow, the choice and the count stay.
    installTranslations(QLocale(QLocale::English));
    QCoreApplication::processEvents();
    EXPECT_EQ(label(), "25:00:00");
    EXPECT_EQ(buttonText(), "STOP RUN IN");
    EXPECT_EQ(hoursBox()->currentText(), "ALL");
    EXPECT_TRUE(page->isRunning());
}

TEST_F(Session, TextTypedIntoTheHoursBoxSurvivesALanguageChange) {
    // Typed over the entry whose text the language changes.
    chooseHoursEntry(0);
    setHours("12abc");
    {
        const ChineseInterface chinese;
        QCoreApplication::processEvents();
        EXPECT_EQ(hoursBox()->currentText(), "12abc");
    }
    EXPECT_EQ(hoursBox()->currentText(), "12abc");
    start();
    tickAt(13 * kHour - 1);
    EXPECT_FALSE(ended());
    tickAt(13 * kHour);
    EXPECT_TRUE(ended());
}

TEST_F(Session, EnterAndEscapeNeverHideThePageAndEnterOnTheButtonClicksIt) {
    // Inside a dialog, whose own Enter and Escape would close it.
    QDialog host;
    page->setParent(&host);
    // The fixture owns the page: take it back from the dialog before the dialog goes.
    struct GiveBack {
        QWidget* page;
        ~GiveBack() { page->setParent(nullptr); }
    } giveBack{page.get()};
    host.show();
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    for (QWidget* target :
         {static_cast<QWidget*>(hoursBox()),
          static_cast<QWidget*>(control<QRadioButton>(CRunInPage::IDC_EXIT_PROGRAM)),
          static_cast<QWidget*>(page.get())}) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(target, key);
            EXPECT_TRUE(page->isVisible()) << target->objectName().toStdString() << " " << key;
            EXPECT_TRUE(host.isVisible()) << target->objectName().toStdString() << " " << key;
        }
    }
    EXPECT_FALSE(page->isRunning());

    QTest::keyClick(runInButton(), Qt::Key_Return);
    EXPECT_TRUE(page->isRunning());
    QTest::keyClick(runInButton(), Qt::Key_Escape);
    EXPECT_TRUE(page->isRunning());
    EXPECT_TRUE(host.isVisible());
    QTest::keyClick(runInButton(), Qt::Key_Enter);
    EXPECT_FALSE(page->isRunning());
}

TEST_F(Session, TimerTicksOnceASecondForThePagesWholeLife) {
    CRunInPage other(&device, &volume, &powerOff);
    other.setCalendarClock([this] { return now; });
    ASSERT_TRUE(other.tickTimer()->isActive());
    EXPECT_EQ(other.tickTimer()->interval(), 1000);

    other.findChild<QAbstractButton*>("runIn_1022")->click();
    now += 42;
    auto* elapsed = other.findChild<QLabel*>("elapsed_1030");
    QTRY_COMPARE_WITH_TIMEOUT(elapsed->text(), QString("00:00:42"), 2500);
    other.OnStop();
    EXPECT_TRUE(other.tickTimer()->isActive());
}

// The Run In page plays on this device, the Frequency page on a second one.
struct TwoDevices : FakeWaveOut {
    FakeWaveOut frequency;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result) override {
        return (deviceOpen() ? frequency : static_cast<FakeWaveOut&>(*this))
            .FakeWaveOut::open(format, routine, instance, result);
    }
};

TEST_F(Session, AnEndDueDuringAFrequencyRenderTakesEffectOnlyAfterTheRenderReturned) {
    const std::pair<const char*, void (*)(CMainDlg&)> ends[] = {
        {"Exit quilbo at a tick", [](CMainDlg& window) { window.runInPage()->OnTimer(); }},
        {"the window closed", [](CMainDlg& window) { window.close(); }},
    };
    for (const auto& [name, end] : ends) {
        SCOPED_TRACE(name);
        TwoDevices devices;
        CMainDlg window({&devices, &volume, &powerOff, [this] { return now; }, {}});
        CRunInPage* runIn = window.runInPage();
        CFrequencyPage* frequency = window.frequencyPage();
        runIn->tickTimer()->stop();
        runIn->findChild<QRadioButton*>("exit_1005")->setChecked(true);
        runIn->findChild<QComboBox*>("hours_1028")->setEditText("1");
        runIn->OnRunInButton();
        now += 2 * kHour;

        // The run-in device plays on its own thread for part of the render.
        std::thread audio;
        int reads = 0;
        bool sessionRanOn = false;
        frequency->setProgressClock([&] {
            if (++reads == 1) {
                audio = std::thread([&devices] { devices.completeAll(40); });
            } else if (reads == 10) {
                audio.join();
                sessionRanOn = runIn->isRunning() && runIn->isPlaying();
            }
            return std::chrono::steady_clock::time_point(std::chrono::milliseconds(40 * reads));
        });
        bool renderReturned = false;
        QTimer::singleShot(0, frequency, [&] {
            frequency->OnPlay();
            renderReturned = true;
        });
        QTimer::singleShot(0, &window, [&window, end = end] { end(window); });  // during the render
        QObject::connect(&window, &QDialog::finished, [&] { EXPECT_TRUE(renderReturned); });
        QTimer::singleShot(30000, &window, [] { QCoreApplication::exit(1); });  // a safety net
        window.exec();

        EXPECT_TRUE(sessionRanOn);
        EXPECT_TRUE(window.isClosed());
        // The run-in loop was refilled 40 times meanwhile; the block was rendered to its end and
        // started, and both players were stopped.
        EXPECT_EQ(devices.callsOf(FakeWaveOut::Op::Write).size(), 4U + 40U);
        EXPECT_EQ(devices.frequency.opens(), 1);
        for (FakeWaveOut* device : {static_cast<FakeWaveOut*>(&devices), &devices.frequency}) {
            EXPECT_FALSE(device->deviceOpen());
            EXPECT_EQ(device->queued(), 0U);
        }
    }
}

}  // namespace
}  // namespace quilbo::test
