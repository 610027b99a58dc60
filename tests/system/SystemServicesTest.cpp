// The lock against sleep through every end of a run-in or a looped play, against python-dbusmock's
// logind on a private system bus; and everything without logind.
#include "audio/RealtimeKit.h"
#include "system/LogindPowerOff.h"
#include "system/LogindSleepInhibitor.h"
#include "tests/support/MockLogind.h"
#include "tests/support/PageFixture.h"

#include <sys/resource.h>
#include <unistd.h>

namespace quilbo::test {
namespace {

std::unique_ptr<MockLogind> g_logind;

constexpr char kRunIn[] = "A loudspeaker run-in is in progress.";
constexpr char kLoop[] = "A test signal is playing in a loop.";

class SystemServices : public PageTest {
protected:
    static void TearDownTestSuite() { g_logind.reset(); }
    void SetUp() override {
        if (!g_logind) {
            g_logind = std::make_unique<MockLogind>();
        }
        ASSERT_TRUE(g_logind->running());
        powerOffService = &logindPowerOff;
        sleepInhibitor = &logindInhibitor;
    }
    void TearDown() override {
        frequency.reset();
        runIn.reset();
        EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    }

    static QList<QStringList> held(const char* why) {  // the one lock a page holds
        return {{"sleep:idle", "Quilbo", why, "block"}};
    }
    // Logind drops a lock when it sees its descriptor closed, which it learns apart from the bus.
    static bool allReleased() {
        return QTest::qWaitFor([] { return MockLogind::inhibitors().isEmpty(); }, 10000);
    }
    void playLooped(bool repeat = true) {
        frequency.reset();
        ctl(freq(), CFrequencyPage::IDC_REPEAT)->setChecked(repeat);
        click(freq(), CFrequencyPage::IDC_PLAY);
    }

    LogindPowerOff logindPowerOff;
    LogindSleepInhibitor logindInhibitor;
};

TEST_F(SystemServices, EachPageHoldsItsLockUntilItEndsInAnyWay) {
    struct Case {
        const char* name;
        const char* why;  // the run-in's or the looped play's
        std::function<void()> end;
    };
    const std::vector<Case> cases = {
        {"Stop Run In", kRunIn, [this] { click(run(), CRunInPage::IDC_RUN_IN); }},
        {"Exit quilbo", kRunIn,
         [this] {
             ctl(run(), CRunInPage::IDC_EXIT_PROGRAM)->click();
             tickAt(2 * kHour);
             EXPECT_FALSE(run().isRunning());
         }},
        {"Shut down, and the system ends the program", kRunIn,
         [this] {
             const qsizetype before = g_logind->calls().count("PowerOff False");
             tickAt(2 * kHour);
             tickAt(2 * kHour);
             // Sleep is inhibited, shutdown is not: the requests (never interactive) go out.
             EXPECT_EQ(MockLogind::inhibitors(), held(kRunIn));
             EXPECT_EQ(g_logind->calls().count("PowerOff False"), before + 2);
             runIn.reset();
         }},
        {"run-in page torn down", kRunIn, [this] { runIn.reset(); }},
        {"Stop", kLoop, [this] { click(freq(), CFrequencyPage::IDC_STOP); }},
        {"device gone", kLoop,
         [this] {
             waveOut.writeResult = WaveResult::Failed;
             waveOut.completeAll();
             EXPECT_TRUE(QTest::qWaitFor([&] { return !freq().isPlaying(); }));
             waveOut.writeResult = WaveResult::Ok;
         }},
        {"Frequency page torn down", kLoop, [this] { frequency.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.why == kRunIn) {
            runIn.reset();
            startRunIn("1");
        } else {
            playLooped();
        }
        EXPECT_EQ(MockLogind::inhibitors(), held(c.why));
        c.end();
        EXPECT_TRUE(allReleased());
    }

    // Stopped before logind answers: its answer, and the descriptor in it, are dropped.
    playLooped();
    click(freq(), CFrequencyPage::IDC_STOP);
    EXPECT_TRUE(allReleased());
    playLooped(false);
    EXPECT_TRUE(freq().isPlaying());
    EXPECT_TRUE(MockLogind::inhibitors().isEmpty()) << "a play once holds no lock";
}

// The warnings of the quilbo.* categories, as they would reach the journal.
QStringList g_warnings;
void keepWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && QByteArray(context.category).startsWith("quilbo.")) {
        g_warnings << QString("%1: %2").arg(context.category, text);
    }
}

// A refused power-off is retried at every tick, logged with its reason and shown on the page from
// the first refusal on, in the interface language; a new session starts without the line.
TEST_F(SystemServices, ARefusedPowerOffIsLoggedAndShownWhileTheSessionRetries) {
    ASSERT_TRUE(g_logind->refuse("PowerOff", "org.freedesktop.DBus.Error.AccessDenied"));
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    startRunIn("1");
    tickAt(2 * kHour);
    auto status = [this] { return ctl<QLabel>(run(), CRunInPage::IDC_STATUS)->text(); };
    const QString refused =
        CRunInPage::powerOffRefusedText({PowerOffRefusal::Kind::NotAllowed, {}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return status() == refused; }, 10000))
        << status().toStdString();
    tickAt(2 * kHour + 1);
    EXPECT_TRUE(QTest::qWaitFor([] { return g_warnings.size() >= 2; }, 10000));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(
        g_warnings.value(0).startsWith("quilbo.system: The system refused to power off: "
                                       "\"org.freedesktop.DBus.Error.AccessDenied\""))
        << g_warnings.join('\n').toStdString();
    EXPECT_TRUE(run().isRunning() && run().isPlaying());
    click(run(), CRunInPage::IDC_RUN_IN);
    startRunIn("1");
    EXPECT_EQ(status(), QString());
}

// RealtimeKit on the same private bus (python-dbusmock, an object of its own): a sound thread's
// request reaches it with the thread and the priority, once the real-time CPU time is bounded as
// it requires; refused, or with no service, the request says so without waiting long.
TEST_F(SystemServices, RealtimeKitIsAskedForTheSoundThreadAndItsRefusalIsNoFailure) {
    const char* kit = "org.freedesktop.RealtimeKit1";
    const char* path = "/org/freedesktop/RealtimeKit1";
    QTemporaryDir dir;
    QProcess mock;
    ASSERT_TRUE(startHelper(mock, {"/usr/bin/python3", "-m", "dbusmock", "--system", "-l",
                                   dir.filePath("calls"), kit, path, kit}));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QDBusConnection::systemBus().interface()->isServiceRegistered(kit); }));
    const auto answer = [&](const QString& code) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kit, path, "org.freedesktop.DBus.Mock", "AddMethod");
        call << kit << "MakeThreadRealtime"
             << "tu"
             << "" << code;
        return QDBusConnection::systemBus().call(call).type() == QDBusMessage::ReplyMessage;
    };
    const pid_t thread = gettid();
    ASSERT_TRUE(answer(""));
    EXPECT_TRUE(askRealtimeKit(thread, 5, std::chrono::seconds(2)));
    rlimit bound{};
    ASSERT_EQ(getrlimit(RLIMIT_RTTIME, &bound), 0);
    EXPECT_LE(bound.rlim_max, 200000u);
    QFile calls(dir.filePath("calls"));
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    EXPECT_TRUE(calls.readAll().contains(QString(" MakeThreadRealtime %1 5").arg(thread).toUtf8()));
    ASSERT_TRUE(
        answer("raise dbus.exceptions.DBusException('no', name='org.freedesktop.DBus."
               "Error.AccessDenied')"));
    EXPECT_FALSE(askRealtimeKit(thread, 5, std::chrono::seconds(2)));
    stopHelper(mock);
    EXPECT_FALSE(askRealtimeKit(thread, 5, std::chrono::seconds(2)));
}

// Last, since the system bus of this process is gone after it.
TEST_F(SystemServices, WithoutLogindEverythingRunsWithoutALock) {
    g_logind.reset();
    playLooped();
    EXPECT_TRUE(freq().isPlaying());
    startRunIn("1");
    tickAt(2 * kHour);  // "Shut down", refused at once
    EXPECT_TRUE(run().isRunning() && run().isPlaying());
    EXPECT_EQ(ctl<QLabel>(run(), CRunInPage::IDC_STATUS)->text(),
              CRunInPage::powerOffRefusedText({PowerOffRefusal::Kind::NoSystemBus, {}}));
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace quilbo::test
