// The plot widget through its public API and mouse events: log mapping and grid lines, rectangle
// and wheel zoom, double-click reset, the readout, bad data, and a picture grabbed at 2x.
#include "plot/PlotWidget.h"
#include "res/Translations.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace quilbo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Plot : ::testing::Test {
    Plot() { plot.resize(640, 400); }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent event(type, at, plot.mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QApplication::sendEvent(&plot, &event);
    }
    void wheel(QPointF at, int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(at, plot.mapToGlobal(at), {}, {0, delta}, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plot, &event);
    }
    // The axes' ranges, x then y.
    void expectRanges(const std::array<double, 4>& want) const {
        const double got[] = {plot.xAxis().from(), plot.xAxis().to(), plot.yAxis().from(),
                              plot.yAxis().to()};
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(got[i], want[i], 1e-9 * (1 + std::abs(want[i]))) << i;
        }
    }
    PlotWidget plot;
};

TEST_F(Plot, LogFrequencyAxisMapsBothWaysAndLabelsDecades) {
    const QRectF area = plot.plotArea();
    EXPECT_DOUBLE_EQ(plot.xToPixel(20.0), area.left());
    EXPECT_DOUBLE_EQ(plot.xToPixel(20000.0), area.right());
    EXPECT_NEAR(plot.xToPixel(1000.0), area.left() + std::log10(50.0) / 3 * area.width(), 1e-9);
    for (double hz : {20.0, 31.5, 1000.0, 12345.0, 20000.0}) {
        EXPECT_NEAR(plot.pixelToX(plot.xToPixel(hz)) / hz, 1.0, 1e-12) << hz;
    }
    QStringList labels;
    std::vector<double> octaves;
    for (const PlotTick& tick : plot.ticks(Qt::Horizontal)) {
        tick.major ? labels.push_back(plot.tickLabel(Qt::Horizontal, tick.value))
                   : octaves.push_back(tick.value);
    }
    EXPECT_EQ(labels.join(' '), "20 50 100 200 500 1k 2k 5k 10k 20k");
    EXPECT_EQ(octaves, (std::vector<double>{31.25, 62.5, 125, 250, 4000, 8000, 16000}));
    EXPECT_DOUBLE_EQ(plot.pixelToY(plot.yToPixel(-12.5)), -12.5);
}

TEST(PlotAxisTicks, LinearStepsAreOneTwoOrFiveTimesAPowerOfTen) {
    const struct {
        double from, to;
        int most;
        std::vector<double> values;
    } cases[] = {{-50, 10, 8, {-50, -40, -30, -20, -10, 0, 10}},
                 {0, 2.35, 5, {0, 0.5, 1, 1.5, 2}},
                 {-0.3, 0.3, 3, {-0.2, 0, 0.2}},
                 {900, 1100, 4, {900, 950, 1000, 1050, 1100}}};  // a zoomed-in log axis
    for (const auto& c : cases) {
        std::vector<double> values;
        const AxisScale scale = c.from > 0 ? AxisScale::Logarithmic : AxisScale::Linear;
        for (const PlotTick& tick : PlotAxis(scale, c.from, c.to).ticks(c.most)) {
            values.push_back(tick.value);
        }
        ASSERT_EQ(values.size(), c.values.size()) << c.from << ".." << c.to;
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_NEAR(values[i], c.values[i], 1e-12);
        }
    }
}

TEST(PlotFormatTexts, LabelsAndValuesCarryTheirUnitsAndEnoughDigits) {
    const struct {
        Quantity quantity;
        double value, step;  // step 0: the readout's value text
        const char* text;
    } cases[] = {{Quantity::Frequency, 20000, 5000, "20k"},
                 {Quantity::Frequency, 1000.15, 0.05, "1.00015k"},
                 {Quantity::Frequency, 1050, 50, "1.05k"},
                 {Quantity::Level, -12.5, 0.5, "-12.5"},
                 {Quantity::Level, 0, 10, "0"},
                 {Quantity::Frequency, 999.7, 0, "1.00 kHz"},
                 {Quantity::Frequency, 20, 0, "20.0 Hz"},
                 {Quantity::Level, -0.04, 0, "0.0 dB"},
                 {Quantity::Phase, -45, 0, "-45.0°"},
                 {Quantity::Time, 2.345678, 0, "2.35 ms"},
                 {Quantity::Distortion, 0.0123, 0, "0.0123 %"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.step > 0 ? PlotFormat::tickLabel(c.quantity, c.value, c.step)
                             : PlotFormat::value(c.quantity, c.value),
                  QString::fromUtf8(c.text));
    }
}

// A dragged rectangle zooms to it and a double click resets; the wheel zooms around the pointer,
// with Shift the x axis alone.
TEST_F(Plot, TheMouseZoomsAndResets) {
    const QPointF from(plot.xToPixel(100), plot.yToPixel(0)),
        to(plot.xToPixel(1000), plot.yToPixel(-30));
    mouse(QEvent::MouseButtonPress, from);
    mouse(QEvent::MouseMove, to);
    mouse(QEvent::MouseButtonRelease, to);
    expectRanges({100, 1000, -30, 0});
    mouse(QEvent::MouseButtonDblClick, to);
    expectRanges({20, 20000, -50, 10});
    const QPointF at(plot.xToPixel(1000), plot.yToPixel(-20));
    wheel(at, 120, Qt::NoModifier);  // one notch in keeps 0.8 of each span
    EXPECT_NEAR(plot.pixelToX(at.x()), 1000, 1e-9);
    EXPECT_NEAR(plot.pixelToY(at.y()), -20, 1e-9);
    EXPECT_NEAR(std::log(plot.xAxis().to() / plot.xAxis().from()), 0.8 * std::log(1000.0), 1e-9);
    EXPECT_NEAR(plot.yAxis().to() - plot.yAxis().from(), 48, 1e-9);
    wheel(at, -240, Qt::ShiftModifier);  // two notches out, x alone
    EXPECT_NEAR(std::log(plot.xAxis().to() / plot.xAxis().from()), std::log(1000.0) / 0.8, 1e-9);
    EXPECT_NEAR(plot.yAxis().to() - plot.yAxis().from(), 48, 1e-9);
}

TEST_F(Plot, ReadoutShowsThePointAndTheNearestCurveInterpolatedInLogX) {
    plot.setCurves({{"Left", {}, {500, 2000}, {0, 10}}, {"Right", {}, {20, 20000}, {-40, -40}}});
    EXPECT_EQ(plot.readoutText({plot.xToPixel(1000), plot.yToPixel(5.9)}),
              "1.00 kHz, +5.9 dB\nLeft: +5.0 dB");
    EXPECT_EQ(plot.readoutText({plot.xToPixel(125), plot.yToPixel(-33)}),
              "125 Hz, -33.0 dB\nRight: -40.0 dB");
    EXPECT_EQ(plot.readoutText({1, 1}), "");
    installTranslations(QLocale(QLocale::Chinese, QLocale::China));
    EXPECT_EQ(plot.readoutText({plot.xToPixel(1000), plot.yToPixel(5.9)}),
              "1.00 kHz，+5.9 dB\nLeft：+5.0 dB");
    installTranslations(QLocale(QLocale::English));
}

TEST_F(Plot, BadDataBreaksTheLineAndAutoscaleFitsOnlyGoodPoints) {
    const double inf = std::numeric_limits<double>::infinity();
    plot.setCurves(
        {{"bad", {}, {-5, 0, 10, kNaN, 100, 1000, inf, 1e301}, {1, 2, -6, 0, kNaN, 3, 4, 1e301}},
         {"empty", {}, {}, {}},
         {"short", {}, {1, 2, 3}, {kNaN}}});
    EXPECT_FALSE(plot.grab().isNull());
    plot.autoscale();
    expectRanges({10, 1000, -6, 4});  // 1e301 is beyond any axis
    EXPECT_FALSE(plot.setXRange(0, 100));
    EXPECT_FALSE(plot.setYRange(kNaN, 1));
    EXPECT_FALSE(plot.grab().isNull());
}

TEST_F(Plot, GrabbedAtTwiceTheDensityHasTheCurveColourAtItsPoint) {
    const QColor orange(0xE6, 0x9F, 0x00);
    plot.setCurves({{"", orange, {20, 20000}, {-3, -3}}});
    const QImage image = plot.grab().toImage();
    ASSERT_EQ(image.devicePixelRatio(), 2.0) << "run through CTest, which sets QT_SCALE_FACTOR=2";
    const QPoint point(qRound(plot.xToPixel(700) * 2), qRound(plot.yToPixel(-3) * 2));
    EXPECT_EQ(image.pixelColor(point), orange);
    EXPECT_NE(image.pixelColor(point + QPoint(0, 8)), orange);
}

}  // namespace
}  // namespace quilbo
