// Plot texts: titles, units, grid labels and readouts.
#include "plot/PlotFormat.h"

#include <algorithm>
#include <cmath>

namespace quilbo {

namespace {

// Three significant digits: "125", "20.0", "1.50".
QString threeDigits(double value) {
    const double size = std::abs(value);
    const int decimals = size >= 99.95 ? 0 : size >= 9.995 ? 1 : 2;
    return QString::number(value, 'f', decimals);
}

// An explicit sign, and no "-0.0" for a value that rounds to zero.
QString signedDecimals(double value, int decimals) {
    const QString text = QString::number(value, 'f', decimals);
    if (text.toDouble() == 0.0) {
        return QString::number(0.0, 'f', decimals);
    }
    return value > 0.0 ? QLatin1Char('+') + text : text;
}

}  // namespace

QString PlotFormat::title(Quantity quantity) {
    switch (quantity) {
        case Quantity::Frequency:
            return tr("Frequency");
        case Quantity::Time:
            return tr("Time");
        case Quantity::Level:
            return tr("Level");
        case Quantity::Phase:
            return tr("Phase");
        case Quantity::Distortion:
            return tr("Distortion");
        case Quantity::Amplitude:
            break;
    }
    return tr("Amplitude");
}

QString PlotFormat::unit(Quantity quantity) {
    switch (quantity) {
        case Quantity::Frequency:
            return tr("Hz");
        case Quantity::Time:
            return tr("ms");
        case Quantity::Level:
            return tr("dB");
        case Quantity::Phase:
            return tr("°");
        case Quantity::Distortion:
            return tr("%");
        case Quantity::Amplitude:
            break;
    }
    return {};
}

QString PlotFormat::axisTitle(const QString& title, Quantity quantity) {
    const QString unitText = unit(quantity);
    return unitText.isEmpty() ? title : tr("%1 (%2)").arg(title, unitText);
}

QString PlotFormat::tickLabel(Quantity quantity, double value, double step) {
    // Decimals down to the step's first digit: "0.5" apart needs one, "10" apart none.
    const double fraction = step > 0.0 ? -std::floor(std::log10(step) + 1e-9) : 0.0;
    const int decimals =
        std::isfinite(fraction) ? static_cast<int>(std::clamp(fraction, 0.0, 12.0)) : 0;
    if (quantity == Quantity::Frequency && std::abs(value) >= 1000.0 && std::isfinite(value)) {
        // As many significant digits as tell lines "step" apart, and "1k", not "1.0k", for
        // the decades' 1, 2 and 5.
        const int digits =
            static_cast<int>(std::floor(std::log10(std::abs(value)))) + 1 + std::max(0, decimals);
        return tr("%1k").arg(QString::number(value / 1000.0, 'g', std::clamp(digits, 1, 15)));
    }
    if (quantity == Quantity::Frequency && step >= 1.0) {
        return QString::number(value, 'g', 15);
    }
    return QString::number(value, 'f', decimals);
}

QString PlotFormat::value(Quantity quantity, double value) {
    switch (quantity) {
        case Quantity::Frequency:
            if (std::abs(value) >= 999.5) {
                return tr("%1 kHz").arg(threeDigits(value / 1000.0));
            }
            return tr("%1 Hz").arg(threeDigits(value));
        case Quantity::Time:
            return tr("%1 ms").arg(QString::number(value, 'f', 2));
        case Quantity::Level:
            return tr("%1 dB").arg(signedDecimals(value, 1));
        case Quantity::Phase:
            return tr("%1°").arg(signedDecimals(value, 1));
        case Quantity::Distortion:
            return tr("%1 %").arg(QString::number(value, 'g', 3));
        case Quantity::Amplitude:
            break;
    }
    return QString::number(value, 'g', 4);
}

QString PlotFormat::point(const QString& x, const QString& y) {
    return tr("%1, %2").arg(x, y);
}

QString PlotFormat::curveValue(const QString& name, const QString& value) {
    return name.isEmpty() ? value : tr("%1: %2").arg(name, value);
}

}  // namespace quilbo
