// A private D-Bus bus with python-dbusmock's logind template on it, started and stopped by a test.
#include "MockLogind.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

namespace quilbo::test {

namespace {

const QString kLogindName = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
// The Debian package installs dbusmock for the system's interpreter, which need not be the
// python3 first on PATH.
const QString kPython = QStringLiteral("/usr/bin/python3");
constexpr int kStartTimeoutMs = 10000;

void stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(3000);
    }
}

}  // namespace

MockLogind::MockLogind() {
    static int instances = 0;
    m_connectionName = QStringLiteral("quilbo-mock-logind-%1").arg(++instances);
    m_running = m_dir.isValid() && startBus() && startMock();
}

MockLogind::~MockLogind() {
    QDBusConnection::disconnectFromBus(m_connectionName);
    stop(m_mock);
    stop(m_bus);
}

bool MockLogind::startBus() {
    const QString socket = m_dir.filePath(QStringLiteral("bus"));
    m_address = QStringLiteral("unix:path=") + socket;
    // The daemon's complaints (it cannot raise its descriptor limit as a plain user) are noise.
    m_bus.setStandardOutputFile(QProcess::nullDevice());
    m_bus.setStandardErrorFile(QProcess::nullDevice());
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--nopidfile"), QStringLiteral("--address=") + m_address});
    if (!m_bus.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("dbus-daemon did not start");
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (QFileInfo::exists(socket)) {
            QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connectionName);
            if (bus.isConnected()) {
                return true;
            }
            QDBusConnection::disconnectFromBus(m_connectionName);
        }
        QThread::msleep(20);
    }
    m_error = QStringLiteral("the private bus did not answer");
    return false;
}

bool MockLogind::startMock() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    m_mock.setProcessEnvironment(env);
    m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_mock.setStandardOutputFile(QProcess::nullDevice());
    m_mock.start(kPython, {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                           QStringLiteral("--template"), QStringLiteral("logind")});
    if (!m_mock.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("python3 -m dbusmock did not start");
        return false;
    }
    QDBusConnection bus(m_connectionName);
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (bus.interface()->isServiceRegistered(kLogindName)) {
            return true;
        }
        if (m_mock.state() == QProcess::NotRunning) {
            break;
        }
        QThread::msleep(20);
    }
    m_error = QStringLiteral("the logind mock did not appear on the bus");
    return false;
}

QList<QVariantList> MockLogind::powerOffCalls() {
    QList<QVariantList> calls;
    QDBusMessage query = QDBusMessage::createMethodCall(kLogindName, kLogindPath, kMockInterface,
                                                        QStringLiteral("GetMethodCalls"));
    query << QStringLiteral("PowerOff");
    const QDBusMessage reply = QDBusConnection(m_connectionName).call(query);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return calls;
    }
    // a(tav): one (timestamp, arguments) structure per call.
    const auto list = reply.arguments().at(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        qulonglong timestamp = 0;
        QVariantList arguments;
        list.beginStructure();
        list >> timestamp >> arguments;
        list.endStructure();
        calls.append(arguments);
    }
    list.endArray();
    return calls;
}

void MockLogind::clearCalls() {
    QDBusConnection(m_connectionName)
        .call(QDBusMessage::createMethodCall(kLogindName, kLogindPath, kMockInterface,
                                             QStringLiteral("ClearCalls")));
}

bool MockLogind::setPowerOffError(const QString& errorName) {
    const QString code =
        errorName.isEmpty()
            ? QString()
            : QStringLiteral("raise dbus.exceptions.DBusException('Permission denied', name='%1')")
                  .arg(errorName);
    QDBusMessage add = QDBusMessage::createMethodCall(kLogindName, kLogindPath, kMockInterface,
                                                      QStringLiteral("AddMethod"));
    add << kManagerInterface << QStringLiteral("PowerOff") << QStringLiteral("b") << QString()
        << code;
    return QDBusConnection(m_connectionName).call(add).type() == QDBusMessage::ReplyMessage;
}

}  // namespace quilbo::test
