// The block-size helper: exact results, the 32-bit limit, and no overflow for any input.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "synth/BlockSize.h"

namespace quilbo {
namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

TEST(BlockSize, PageAndRunInRequests) {
    const BlockSize page = computeBlockSize(5, 2, 24, 44100);
    EXPECT_TRUE(page.fits);
    EXPECT_EQ(page.bytes(), 1323000);
    EXPECT_EQ(computeBlockSize(5, blockChannels(0), 16, 44100).bytes(), 882000);
    EXPECT_EQ(blockChannels(0), 2);
    EXPECT_EQ(blockChannels(6), 6);
    EXPECT_EQ(computeBlockSize(1, 2, 8, 11025).bytes(), 22050);
    // Overflows a 32-bit product but the block itself fits.
    EXPECT_EQ(computeBlockSize(300, 6, 32, 96000).bytes(), 691200000);
    EXPECT_EQ(computeBlockSize(300, 6, 32, 192000).bytes(), 1382400000);
}

TEST(BlockSize, ThirtyTwoBitLimit) {
    EXPECT_TRUE(computeBlockSize(1, 1, 8, kInt32Max).fits);
    EXPECT_EQ(computeBlockSize(1, 1, 8, kInt32Max).bytes(), kInt32Max);

    const BlockSize over = computeBlockSize(1, 1, 8, kInt32Max + 1);
    EXPECT_FALSE(over.fits);
    EXPECT_EQ(over.bytes(), 0);
    EXPECT_EQ(over.requestedBytes, kInt32Max + 1);
    EXPECT_FALSE(over.saturated);

    const BlockSize big = computeBlockSize(300, 32, 32, 192000);
    EXPECT_FALSE(big.fits);
    EXPECT_EQ(big.requestedBytes, 7372800000);
}

TEST(BlockSize, SmallZeroAndNegativeRequestsDoNotFit) {
    const BlockSize seven = computeBlockSize(1, 1, 7, 1);  // 7 bits: 0 bytes after the division
    EXPECT_FALSE(seven.fits);
    EXPECT_EQ(seven.requestedBytes, 0);
    EXPECT_EQ(computeBlockSize(1, 1, 8, 1).bytes(), 1);
    EXPECT_FALSE(computeBlockSize(0, 2, 16, 44100).fits);
    EXPECT_FALSE(computeBlockSize(5, 2, 16, 0).fits);

    const BlockSize negative = computeBlockSize(5, -2, 16, 44100);
    EXPECT_FALSE(negative.fits);
    EXPECT_EQ(negative.requestedBytes, -882000);
    EXPECT_EQ(computeBlockSize(-5, -2, 16, 44100).bytes(), 882000);
    EXPECT_EQ(computeBlockSize(1, -1, 8, -9).requestedBytes, 9);
    EXPECT_EQ(computeBlockSize(1, 1, -8, 9).requestedBytes, -9);
    EXPECT_EQ(computeBlockSize(1, 1, 1, -15).requestedBytes, -1);  // truncates toward zero
}

TEST(BlockSize, HugeInputsSaturateInsteadOfWrapping) {
    const std::int64_t u32 = std::numeric_limits<std::uint32_t>::max();
    const BlockSize all = computeBlockSize(u32, u32, u32, u32);  // about 2^128 / 8
    EXPECT_FALSE(all.fits);
    EXPECT_TRUE(all.saturated);
    EXPECT_EQ(all.requestedBytes, kInt64Max);

    const BlockSize negative = computeBlockSize(u32, -u32, u32, u32);
    EXPECT_TRUE(negative.saturated);
    EXPECT_EQ(negative.requestedBytes, kInt64Min);

    const BlockSize extreme = computeBlockSize(kInt64Min, kInt64Min, kInt64Max, -1);
    EXPECT_TRUE(extreme.saturated);
    EXPECT_EQ(extreme.requestedBytes, kInt64Min);

    // 2^63 - 1 times 8, divided by 8, fits 64 bits although the product does not.
    const BlockSize edge = computeBlockSize(kInt64Max, 8, 1, 1);
    EXPECT_FALSE(edge.saturated);
    EXPECT_EQ(edge.requestedBytes, kInt64Max);

    const BlockSize u32Rate = computeBlockSize(300, 6, 32, u32);
    EXPECT_FALSE(u32Rate.fits);
    EXPECT_EQ(u32Rate.requestedBytes, 300 * 6 * 32 * u32 / 8);

    EXPECT_FALSE(computeBlockSize(0, kInt64Max, kInt64Max, kInt64Max).saturated);
}

}  // namespace
}  // namespace quilbo
