// python-dbusmock's logind template (under /usr/bin/python3, where Debian installs it) on a private
// D-Bus bus that becomes the test's system bus. Both helpers die with the test, even a crashed one.
#pragma once

#include "tests/support/SoundServer.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QTest>

namespace quilbo::test {

class MockLogind {
public:
    // Qt connects to the system bus once per process: construct this before anything uses it.
    MockLogind() {
        m_running = startHelper(m_bus, {"dbus-daemon", "--session", "--nofork", "--print-address",
                                        "--address=unix:tmpdir=/tmp"}) &&
                    m_bus.waitForReadyRead();  // the address comes once the bus listens
        if (m_running) {
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.readLine().trimmed());
        }
        m_running = m_running &&
                    startHelper(m_mock, {"/usr/bin/python3", "-m", "dbusmock", "--template",
                                         "logind", "-l", m_dir.filePath("calls")}) &&
                    QTest::qWaitFor([] {
                        return QDBusConnection::systemBus().interface()->isServiceRegistered(
                            "org.freedesktop.login1");
                    });
    }
    bool running() const { return m_running; }

    // Every method call logind received, a line each, such as "<time> PowerOff False".
    QString calls() const {
        QFile log(m_dir.filePath("calls"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }
    // What, who, why and mode of every lock logind holds. Asked on the program's own system bus
    // connection, so everything the program sent before has been handled; then the program gets
    // logind's answers, as in its window's event loop.
    static QList<QStringList> inhibitors() {
        const QDBusMessage reply = QDBusConnection::systemBus().call(
            QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                           "org.freedesktop.login1.Manager", "ListInhibitors"));
        QList<QStringList> locks;
        const auto array = reply.arguments().value(0).value<QDBusArgument>();
        array.beginArray();
        while (!array.atEnd()) {
            QString what, who, why, mode;
            array.beginStructure();
            array >> what >> who >> why >> mode;
            array.endStructure();
            locks.append({what, who, why, mode});
        }
        array.endArray();
        QCoreApplication::processEvents();
        return locks;
    }

    // From now on logind answers method with the D-Bus error named error.
    static bool refuse(const QString& method, const QString& error) {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                           "org.freedesktop.DBus.Mock", "AddMethod");
        call << "org.freedesktop.login1.Manager" << method << "b"
             << ""
             << QString("raise dbus.exceptions.DBusException('refused', name='%1')").arg(error);
        return QDBusConnection::systemBus().call(call).type() == QDBusMessage::ReplyMessage;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_mock;
    bool m_running = false;
};

}  // namespace quilbo::test
