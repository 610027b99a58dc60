// The stream-timing helper on reports made by hand: where a stop's fade may begin when the server's
// last word is stale or marked corrupt, when the end of what was sent counts as played, and a
// sweep's playback that moves in its recording while it plays.
#include <gtest/gtest.h>

#include <pulse/timeval.h>

#include "audio/StreamTiming.h"

#include <cmath>

namespace quilbo {
namespace {

constexpr pa_sample_spec kSpec{PA_SAMPLE_U8, 48000, 2};  // widened to 16 bits on the wire
constexpr std::uint64_t kWireFrame = 4;

pa_timing_info report(std::uint64_t readFrames, pa_usec_t sinkUsec, pa_usec_t ageUsec,
                      bool playing = true) {
    pa_timing_info timing{};
    pa_gettimeofday(&timing.timestamp);
    pa_timeval_sub(&timing.timestamp, ageUsec);
    timing.read_index = static_cast<std::int64_t>(readFrames * kWireFrame);
    timing.sink_usec = sinkUsec;
    timing.playing = playing ? 1 : 0;
    return timing;
}

TEST(StreamTiming, AStopWithoutFreshWordFadesFromTheLastGoodReportCarriedOnByItsAge) {
    StreamTiming timing(kSpec, kWireFrame);
    EXPECT_FALSE(timing.take(nullptr));
    EXPECT_FALSE(timing.known()) << "never reported on: the stop cuts";
    const pa_timing_info good = report(96000, 20000, 100000);
    ASSERT_TRUE(timing.take(&good));
    pa_timing_info corrupt = report(0, 0, 0);
    corrupt.read_index_corrupt = 1;
    EXPECT_FALSE(timing.take(&corrupt));
    const PlaybackPoint point = timing.now();
    EXPECT_GE(point.read, 96000u + 4800u);  // 100 ms on at 48000 Hz
    EXPECT_LT(point.read, 96000u + 4800u + 48000u);
    EXPECT_EQ(point.read - point.heard, 960u);                      // 20 ms in the sink
    EXPECT_EQ(timing.fadeStart(point, false), point.heard + 1440);  // 30 ms ahead of the sound
    EXPECT_EQ(timing.fadeStart(point, true), point.read + 480);     // 10 ms past the server's read
    // A sink that has held 40 ms and now holds 1 ms is about to take a whole block at once.
    const pa_timing_info full = report(96000, 40000, 0), low = report(98000, 1000, 0);
    ASSERT_TRUE(timing.take(&full) && timing.take(&low));
    const PlaybackPoint running = timing.now();
    EXPECT_EQ(timing.fadeStart(running, true), running.heard + 1920 + 480);
    const pa_timing_info stopped = report(96000, 20000, 100000, false);
    ASSERT_TRUE(timing.take(&stopped));
    EXPECT_EQ(timing.now().read, 96000u) << "a stream that is not playing stays put";
}

TEST(StreamTiming, WhatWasSentCountsAsPlayedOnceTheSinkHasHadTimeToPlayIt) {
    StreamTiming timing(kSpec, kWireFrame);
    const pa_timing_info all = report(48000, 20000, 0);
    ASSERT_TRUE(timing.take(&all));
    EXPECT_EQ(timing.played(48000, 1000000), 48000u - 960u);
    EXPECT_EQ(timing.played(48000, 1019999), 48000u - 960u);
    EXPECT_EQ(timing.played(48000, 1020000), 48000u);
    EXPECT_EQ(timing.played(60000, 1030000), 48000u) << "the earlier end stays played";
}

// Pairs of a monitor's and its sink's reports every 50 ms (2400 frames), the playback landing
// 3072 frames into the recording, plus `moved(i)` frames at the i-th pair.
template <typename Moved>
std::optional<StreamAlignment::Step> stepIn(Moved moved) {
    StreamAlignment alignment({.rate = 48000,
                               .recordFrameBytes = 4,
                               .playbackFrameBytes = 4,
                               .monitor = true,
                               .pipeWire = true});
    for (int i = 0; i < 40; ++i) {
        pa_timing_info record{}, play{};
        const std::int64_t read = 4800 + 2400 * i;
        play.read_index = 4 * read;
        play.playing = 1;
        record.write_index = 4 * (read + 3072);
        record.source_usec =
            static_cast<pa_usec_t>(std::llround((2000 + moved(i)) / 48000.0 * 1e6));
        alignment.add(&record, &play);
    }
    return alignment.step(16);
}

TEST(StreamAlignment, APlaybackThatMovesInTheRecordingIsFoundAndDatedButDriftAndWanderAreNot) {
    EXPECT_FALSE(stepIn([](int) { return 0.0; }));
    const auto lost = stepIn([](int i) { return i >= 25 ? 1024.0 : 0.0; });
    ASSERT_TRUE(lost);
    EXPECT_NEAR(lost->frames, 1024, 1);
    EXPECT_EQ(lost->at, 4800 + 2400 * 25 + 3072);
    EXPECT_NEAR(stepIn([](int i) { return i >= 3 ? -256.0 : 0.0; })
                    .value_or(StreamAlignment::Step{})
                    .frames,
                -256, 1);
    // Two sound cards' clocks 200 ppm apart, and a source whose reports wander by 19 ms with its
    // blocks (PulseAudio's remap source).
    EXPECT_FALSE(stepIn([](int i) { return 0.48 * i; }));
    EXPECT_FALSE(stepIn([](int i) { return 900.0 - 110.0 * (i % 9); }));
}

}  // namespace
}  // namespace quilbo
