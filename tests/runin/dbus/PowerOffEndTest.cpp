// The "Shut down" end of a session against python-dbusmock's logind on a private system bus:
// exactly one non-interactive PowerOff per tick while ending, none after Stop, and a refusal
// that changes nothing on the page.
#include "system/LogindPowerOff.h"
#include "tests/power/MockLogind.h"
#include "tests/runin/RunInFixture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <memory>

namespace quilbo::test {
namespace {

constexpr std::int64_t kHour = 3600;

class PowerOffEnd : public RunInFixture {
protected:
    static void SetUpTestSuite() {
        s_logind = std::make_unique<MockLogind>();
        // Before the first use of the system bus: Qt connects to it once per process.
        if (s_logind->running()) {
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", s_logind->address().toUtf8());
        }
    }
    static void TearDownTestSuite() { s_logind.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_logind->running()) << s_logind->error().toStdString();
        ASSERT_TRUE(s_logind->setPowerOffError(QString()));
        s_logind->clearCalls();
        makePage(nullptr, &logind);
        setHours("1");
        start();
    }

    // A round trip on the connection the requester uses: the bus keeps one sender's messages
    // in order, so every request sent before has been handled when it returns.
    static void roundTrip() {
        const QDBusMessage reply = QDBusConnection::systemBus().call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("CanPowerOff")));
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    static qsizetype powerOffCalls() {
        roundTrip();
        const QList<QVariantList> calls = s_logind->powerOffCalls();
        for (const QVariantList& arguments : calls) {
            EXPECT_EQ(arguments.size(), 1);
            if (!arguments.isEmpty()) {
                EXPECT_EQ(arguments[0].metaType(), QMetaType::fromType<bool>());
                EXPECT_FALSE(arguments[0].toBool()) << "the request must not be interactive";
            }
        }
        return calls.size();
    }

    static inline std::unique_ptr<MockLogind> s_logind;
    LogindPowerOff logind;
};

TEST_F(PowerOffEnd, EndingAsksLogindAtEveryTickUntilStopped) {
    tickAt(kHour);
    tickAt(2 * kHour - 1);
    EXPECT_EQ(powerOffCalls(), 0);

    tickAt(2 * kHour);
    EXPECT_EQ(powerOffCalls(), 1);
    tickAt(2 * kHour + 1);
    tickAt(2 * kHour + 2);
    EXPECT_EQ(powerOffCalls(), 3);

    clickRunIn();
    tickAt(2 * kHour + 3);
    tickAt(9 * kHour);
    EXPECT_EQ(powerOffCalls(), 3);
    EXPECT_TRUE(quitRequests.empty());
}

TEST_F(PowerOffEnd, ARefusalChangesNothingOnThePage) {
    ASSERT_TRUE(
        s_logind->setPowerOffError(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")));
    tickAt(2 * kHour);
    tickAt(2 * kHour + 1);
    EXPECT_EQ(powerOffCalls(), 2);
    // Let the refusals arrive and be dropped.
    QCoreApplication::processEvents();

    EXPECT_TRUE(page->isRunning());
    EXPECT_TRUE(page->isPlaying());
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(buttonText(), "STOP RUN IN");
    EXPECT_EQ(label(), "02:00:01");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(quitRequests.empty());

    // The next tick asks again.
    tickAt(2 * kHour + 2);
    EXPECT_EQ(powerOffCalls(), 3);
    EXPECT_EQ(label(), "02:00:02");
}

}  // namespace
}  // namespace quilbo::test
