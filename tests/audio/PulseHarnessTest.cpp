// The private PulseAudio daemon harness: it starts, answers, captures what is played, and goes.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Process.h"
#include "tests/support/PulseServer.h"

namespace quilbo::test {
namespace {

TEST(PulseHarness, DaemonAnswersCapturesAndGoesAway) {
    pid_t pid = -1;
    {
        PulseServer server;
        ASSERT_TRUE(server.start()) << server.log();
        pid = server.pid();
        EXPECT_EQ(std::string(getenv("PULSE_SERVER")), server.address());
        EXPECT_EQ(server.defaultSink(), "quilbo_null");

        // Half a second of noise played with pacat comes back through the monitor unchanged.
        std::vector<std::uint8_t> pattern(44100 * 4 / 2);
        std::uint32_t state = 12345;
        for (auto& byte : pattern) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        const auto file = server.directory() / "pattern.raw";
        {
            FILE* f = fopen(file.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            fwrite(pattern.data(), 1, pattern.size(), f);
            fclose(f);
        }
        PulseCapture capture(server);
        ASSERT_TRUE(capture.start());
        const CommandResult played =
            runCommand({"pacat", "--server=" + server.address(), "--raw", "--format=s16le",
                        "--rate=44100", "--channels=2", file.string()});
        ASSERT_TRUE(played.ok()) << played.output;
        const std::vector<std::uint8_t> captured = capture.stop();
        const auto at =
            std::search(captured.begin(), captured.end(), pattern.begin(), pattern.end());
        EXPECT_NE(at, captured.end()) << "captured " << captured.size() << " bytes";

        auto module = server.loadNullSink("second");
        ASSERT_TRUE(module.has_value());
        EXPECT_TRUE(server.setDefaultSink("second"));
        EXPECT_EQ(server.defaultSink(), "second");

        server.pause();
        EXPECT_EQ(server.pactl({"info"}, std::chrono::milliseconds(500)).exitCode, -1);
        server.resume();
        EXPECT_TRUE(server.pactl({"info"}).ok());

        server.kill();
        EXPECT_FALSE(server.running());
        ASSERT_TRUE(server.restart()) << server.log();
        EXPECT_TRUE(server.pactl({"info"}).ok());
        pid = server.pid();
    }
    // The daemon is gone once the harness is.
    EXPECT_NE(::kill(pid, 0), 0);
}

}  // namespace
}  // namespace quilbo::test
