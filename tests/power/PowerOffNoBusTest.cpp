// The logind power-off request when there is no system bus to send it on.
#include "system/LogindPowerOff.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>
#include <QTemporaryDir>

namespace quilbo::test {
namespace {

QStringList g_qtMessages;

void recordQtMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_qtMessages.append(text);
}

TEST(PowerOffNoBusTest, RequestsWithoutABusAreSilent) {
    const QtMessageHandler previous = qInstallMessageHandler(recordQtMessage);
    LogindPowerOff requester;
    requester.requestPowerOff();
    requester.requestPowerOff();
    QCoreApplication::processEvents();
    qInstallMessageHandler(previous);

    EXPECT_FALSE(QDBusConnection::systemBus().isConnected());
    EXPECT_TRUE(g_qtMessages.isEmpty()) << g_qtMessages.join('\n').toStdString();
}

}  // namespace
}  // namespace quilbo::test

int main(int argc, char** argv) {
    // A socket path that cannot exist: the machine's real system bus must never be reached.
    QTemporaryDir dir;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.filePath("missing/bus")).toUtf8());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
