// The logind power-off request against python-dbusmock's logind on a private system bus.
#include "MockLogind.h"
#include "system/LogindPowerOff.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace quilbo::test {
namespace {

QStringList g_qtMessages;

void recordQtMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_qtMessages.append(text);
}

class PowerOffTest : public ::testing::Test {
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
        g_qtMessages.clear();
        m_previousHandler = qInstallMessageHandler(recordQtMessage);
    }
    void TearDown() override { qInstallMessageHandler(m_previousHandler); }

    // A round trip to the mock on the connection the requester uses: messages from one sender
    // arrive in order, so every request sent before it has been handled when it returns.
    static bool roundTrip() {
        const QDBusMessage reply = QDBusConnection::systemBus().call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("CanPowerOff")));
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    static inline std::unique_ptr<MockLogind> s_logind;
    QtMessageHandler m_previousHandler = nullptr;
};

TEST_F(PowerOffTest, EachRequestIsOneNonInteractivePowerOffCall) {
    LogindPowerOff requester;

    requester.requestPowerOff();
    ASSERT_TRUE(roundTrip());
    QList<QVariantList> calls = s_logind->powerOffCalls();
    ASSERT_EQ(calls.size(), 1);
    ASSERT_EQ(calls[0].size(), 1);
    EXPECT_EQ(calls[0][0].metaType(), QMetaType::fromType<bool>());
    EXPECT_FALSE(calls[0][0].toBool());

    // A page asks again at every tick while its session is ending.
    requester.requestPowerOff();
    requester.requestPowerOff();
    ASSERT_TRUE(roundTrip());
    calls = s_logind->powerOffCalls();
    ASSERT_EQ(calls.size(), 3);
    for (const QVariantList& arguments : calls) {
        ASSERT_EQ(arguments.size(), 1);
        EXPECT_FALSE(arguments[0].toBool());
    }
    EXPECT_TRUE(g_qtMessages.isEmpty()) << g_qtMessages.join('\n').toStdString();
}

TEST_F(PowerOffTest, RefusalIsSilentAndLaterRequestsStillGo) {
    ASSERT_TRUE(
        s_logind->setPowerOffError(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")));
    QDBusMessage probe = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    probe << false;
    ASSERT_EQ(QDBusConnection::systemBus().call(probe).errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    s_logind->clearCalls();
    LogindPowerOff requester;

    requester.requestPowerOff();
    requester.requestPowerOff();
    ASSERT_TRUE(roundTrip());
    QCoreApplication::processEvents();

    EXPECT_EQ(s_logind->powerOffCalls().size(), 2);
    EXPECT_TRUE(g_qtMessages.isEmpty()) << g_qtMessages.join('\n').toStdString();

    // Once logind agrees, the next request goes through on the same connection.
    ASSERT_TRUE(s_logind->setPowerOffError(QString()));
    s_logind->clearCalls();
    requester.requestPowerOff();
    ASSERT_TRUE(roundTrip());
    EXPECT_EQ(s_logind->powerOffCalls().size(), 1);
}

}  // namespace
}  // namespace quilbo::test

int main(int argc, char** argv) {
    // Until the mock runs, a socket path that cannot exist: the machine's real system bus (and
    // its real logind) must never be reached from a test.
    QTemporaryDir dir;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.filePath("missing/bus")).toUtf8());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
