// The mapping between the program's volume scale (0..65535) and the server's (0..PA_VOLUME_NORM).
#include "audio/VolumeScale.h"

#include <gtest/gtest.h>

namespace quilbo {
namespace {

TEST(VolumeScaleTest, EndsAndKnownPointsMap) {
    EXPECT_EQ(toServerVolume(0), 0U);
    EXPECT_EQ(toServerVolume(65535), 0x10000U);
    EXPECT_EQ(fromServerVolume(0), 0U);
    EXPECT_EQ(fromServerVolume(0x10000), 65535U);
    // 75 % at the sink is three quarters of the scale: a vertical slider a quarter down.
    EXPECT_EQ(fromServerVolume(49152), 49151U);
    EXPECT_EQ(toServerVolume(49151), 49152U);
    EXPECT_EQ(fromServerVolume(32768), 32768U);
    EXPECT_EQ(fromServerVolume(30000), 30000U);
    EXPECT_EQ(fromServerVolume(40000), 39999U);
}

TEST(VolumeScaleTest, EveryProgramValueSurvivesTheRoundTrip) {
    std::uint32_t previous = 0;
    for (std::uint32_t value = 0; value <= 65535; ++value) {
        const std::uint32_t server = toServerVolume(value);
        ASSERT_EQ(fromServerVolume(server), value) << value;
        ASSERT_LE(server, 0x10000U);
        if (value > 0) {
            ASSERT_GT(server, previous) << value;
        }
        previous = server;
    }
}

TEST(VolumeScaleTest, OutOfRangeInputsAreClampedNotWrapped) {
    // A sink boosted above 100 % (pavucontrol allows 153 %) reads as the top of the scale.
    EXPECT_EQ(fromServerVolume(0x10001), 65535U);
    EXPECT_EQ(fromServerVolume(98304), 65535U);
    EXPECT_EQ(fromServerVolume(0xFFFFFFFFU), 65535U);
    EXPECT_EQ(toServerVolume(65536), 0x10000U);
    EXPECT_EQ(toServerVolume(0xFFFFFFFFU), 0x10000U);
}

}  // namespace
}  // namespace quilbo
