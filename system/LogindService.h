// The systemd-logind manager on the system bus, as power-off and the sleep locks call it.
#pragma once

#include <QDBusMessage>
#include <QString>

namespace quilbo {

inline QDBusMessage logindCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                          QStringLiteral("/org/freedesktop/login1"),
                                          QStringLiteral("org.freedesktop.login1.Manager"), method);
}

}  // namespace quilbo
