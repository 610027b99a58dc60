// A private D-Bus bus with python-dbusmock's logind template on it, started and stopped by a test.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>

namespace quilbo::test {

// The bus daemon and the mock run as child processes of the test and are killed by their own
// process ids when the object goes.
class MockLogind {
public:
    MockLogind();
    ~MockLogind();
    MockLogind(const MockLogind&) = delete;
    MockLogind& operator=(const MockLogind&) = delete;

    // True when the bus runs and the mock owns org.freedesktop.login1 on it.
    bool running() const { return m_running; }
    QString address() const { return m_address; }
    QString error() const { return m_error; }

    // The argument lists of every PowerOff call the mock has received, in order.
    QList<QVariantList> powerOffCalls();
    void clearCalls();
    // Replaces the mock's PowerOff by one that answers with the given D-Bus error, or, with an
    // empty name, by one that succeeds.
    bool setPowerOffError(const QString& errorName);

private:
    bool startBus();
    bool startMock();

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_mock;
    QString m_address;
    QString m_error;
    QString m_connectionName;
    bool m_running = false;
};

}  // namespace quilbo::test
