// What a plot's axes show, and the texts it writes: axis titles, units, tick labels and the
// pointer readout, translatable.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace quilbo {

// The quantity on an axis; a frequency axis is logarithmic, every other one linear.
enum class Quantity { Frequency, Time, Level, Phase, Distortion, Amplitude };

class PlotFormat {
    Q_DECLARE_TR_FUNCTIONS(quilbo::PlotFormat)

public:
    static QString title(Quantity quantity);
    // "Hz", "ms", "dB", "°", "%"; empty for a plain amplitude.
    static QString unit(Quantity quantity);
    // "Frequency (Hz)": title with unit, or titled without unit when it has none.
    static QString axisTitle(const QString& title, Quantity quantity);
    // A grid line's label, e.g. "20", "500", "1k", "20k" or "-12"; step is the distance between
    // labelled lines (it sets the decimals on a linear axis).
    static QString tickLabel(Quantity quantity, double value, double step);
    // A value with its unit: "1.00 kHz", "+5.9 dB", "2.35 ms", "-45.0°", "0.12 %".
    static QString value(Quantity quantity, double value);
    // The pointer's place: "1.00 kHz, +5.9 dB".
    static QString point(const QString& x, const QString& y);
    // A curve's value at the pointer's x: "Left: +5.7 dB", or the value alone for a nameless one.
    static QString curveValue(const QString& name, const QString& value);
};

}  // namespace quilbo
