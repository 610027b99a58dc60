// The level scale and the leading-number conversion used by the Play handler.
#include "pages/LeadingNumber.h"
#include "pages/LevelGain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace quilbo {
namespace {

TEST(LevelGain, HalvesEverySixPositionsAndFallsLinearlyBetween) {
    EXPECT_EQ(levelGain(0), 1.0);
    EXPECT_EQ(levelGain(6), 0.5);
    EXPECT_EQ(levelGain(12), 0.25);
    EXPECT_EQ(levelGain(18), 0.125);
    EXPECT_DOUBLE_EQ(levelGain(1), 11.0 / 12);
    EXPECT_DOUBLE_EQ(levelGain(7), 11.0 / 24);
    EXPECT_DOUBLE_EQ(levelGain(13), 11.0 / 48);
    EXPECT_DOUBLE_EQ(levelGain(17), 7.0 / 48);
    EXPECT_DOUBLE_EQ(levelGain(19), 11.0 / 96);
    // The bottom position is rendered with exactly this double.
    EXPECT_EQ(levelGain(20), 0.10416666666666667);
    for (int p = 1; p <= 20; ++p) {
        EXPECT_LT(levelGain(p), levelGain(p - 1)) << p;
    }
}

TEST(LevelGain, OutOfRangePositionsClampToTheScale) {
    EXPECT_EQ(levelGain(-5), 1.0);
    EXPECT_EQ(levelGain(std::numeric_limits<int>::max()), levelGain(20));
}

TEST(LevelGain, ReadoutIsTheNegatedPositionInFourColumns) {
    EXPECT_EQ(levelReadout(0), QStringLiteral("   0DB"));
    EXPECT_EQ(levelReadout(6), QStringLiteral("  -6DB"));
    EXPECT_EQ(levelReadout(12), QStringLiteral(" -12DB"));
    EXPECT_EQ(levelReadout(20), QStringLiteral(" -20DB"));
}

TEST(LeadingNumber, ReadsTheNumberAtTheStartLikeAtoi) {
    EXPECT_EQ(leadingNumber(QStringLiteral("44100")), 44100);
    EXPECT_EQ(leadingNumber(QStringLiteral("  \t16")), 16);
    EXPECT_EQ(leadingNumber(QStringLiteral("+8bits")), 8);
    EXPECT_EQ(leadingNumber(QStringLiteral("-4")), -4);
    EXPECT_EQ(leadingNumber(QStringLiteral("OPTC")), 0);
    EXPECT_EQ(leadingNumber(QString::fromUtf8("反相双声道")), 0);
    EXPECT_EQ(leadingNumber(QString()), 0);
    EXPECT_EQ(leadingNumber(QStringLiteral("- 5")), 0);
    EXPECT_EQ(leadingNumber(QStringLiteral("12 34")), 12);
}

TEST(LeadingNumber, HugeNumbersSaturateInsteadOfOverflowing) {
    EXPECT_EQ(leadingNumber(QStringLiteral("2147483647")),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(leadingNumber(QStringLiteral("2147483648")),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(leadingNumber(QStringLiteral("-2147483648")),
              std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(leadingNumber(QString(500, u'9')), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(leadingNumber(QStringLiteral("-") + QString(500, u'9')),
              std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace quilbo
