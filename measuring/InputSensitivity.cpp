// Sensitivities under one group, an input's name percent-encoded: a source name may hold the
// characters QSettings reads as groups.
#include "measuring/InputSensitivity.h"

#include "measuring/Logging.h"

#include <QSettings>
#include <QUrl>

#include <cmath>
#include <memory>

namespace quilbo {

namespace {

std::unique_ptr<QSettings> open(const QString& path) {
    return path.isEmpty() ? std::make_unique<QSettings>()
                          : std::make_unique<QSettings>(path, QSettings::IniFormat);
}

QString keyOf(const std::string& input, const char* field) {
    const QByteArray name = QUrl::toPercentEncoding(QString::fromStdString(input));
    return QStringLiteral("InputSensitivity/%1/%2")
        .arg(QString::fromLatin1(name.isEmpty() ? QByteArray("%") : name), QLatin1String(field));
}

bool written(QSettings& settings) {
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qCWarning(lcMeasuring) << "cannot write the input sensitivities to" << settings.fileName();
        return false;
    }
    return true;
}

}  // namespace

InputSensitivity::InputSensitivity(QString path) : m_path(std::move(path)) {}

LevelScale InputSensitivity::scaleFor(const std::string& input, double sensFactorDb) const {
    const auto settings = open(m_path);
    bool ok = false;
    bool factorOk = false;
    const double read = settings->value(keyOf(input, "sensitivity")).toDouble(&ok);
    const double factor = settings->value(keyOf(input, "sensFactor"), 0.0).toDouble(&factorOk);
    if (!ok || !factorOk || !std::isfinite(read) || !std::isfinite(factor)) {
        return {};
    }
    return LevelScale::fromSensitivity(read - factor, sensFactorDb);
}

bool InputSensitivity::store(const std::string& input, double sensitivityDb, double sensFactorDb) {
    const auto settings = open(m_path);
    settings->setValue(keyOf(input, "sensitivity"), sensitivityDb);
    settings->setValue(keyOf(input, "sensFactor"), sensFactorDb);
    return written(*settings);
}

bool InputSensitivity::forget(const std::string& input) {
    const auto settings = open(m_path);
    settings->remove(keyOf(input, "sensitivity"));
    settings->remove(keyOf(input, "sensFactor"));
    return written(*settings);
}

}  // namespace quilbo
