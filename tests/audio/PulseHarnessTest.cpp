// The sound server harness on both servers: it starts, plays pacat's bytes through to the
// monitor unchanged, survives a pause and a kill, and leaves nothing running.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/support/ServerTest.h"

namespace quilbo::test {
namespace {

using namespace std::chrono_literals;

class SoundHarness : public testing::TestWithParam<ServerKind> {};

TEST_P(SoundHarness, ServerAnswersPassesBytesAndGoesAway) {
    pid_t pid = -1;
    {
        SoundServer server(GetParam());
        ASSERT_TRUE(server.start()) << server.log();
        pid = server.pid();
        EXPECT_EQ(std::string(getenv("PULSE_SERVER")), server.address());
        EXPECT_EQ(server.defaultSink(), "quilbo_null");
        EXPECT_EQ(server.clientCount(), 0u);

        std::vector<std::uint8_t> pattern(44100 * 4 / 2);
        std::uint32_t state = 12345;
        for (auto& byte : pattern) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        const auto file = server.directory() / "pattern.raw";
        FILE* f = fopen(file.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(pattern.data(), 1, pattern.size(), f);
        fclose(f);
        SoundCapture capture(server);
        ASSERT_TRUE(capture.start());
        const CommandResult played =
            runCommand({"pacat", "--server=" + server.address(), "--raw", "--format=s16le",
                        "--rate=44100", "--channels=2", file.string()});
        ASSERT_TRUE(played.ok()) << played.output;
        const auto captured = capture.stop();
        EXPECT_NE(std::search(captured.begin(), captured.end(), pattern.begin(), pattern.end()),
                  captured.end())
            << "captured " << captured.size() << " bytes";

        ASSERT_TRUE(server.loadNullSink("second").has_value());
        EXPECT_TRUE(server.setDefaultSink("second"));
        EXPECT_EQ(server.defaultSink(), "second");

        server.pause();
        EXPECT_EQ(server.pactl({"info"}, 500ms).exitCode, -1);
        server.resume();
        EXPECT_TRUE(server.pactl({"info"}).ok());

        server.killPulseService();
        EXPECT_FALSE(server.running());
        ASSERT_TRUE(server.restart()) << server.log();
        server.killGraph();
        EXPECT_FALSE(server.running());
        ASSERT_TRUE(server.restart()) << server.log();
        EXPECT_EQ(server.defaultSink(), "quilbo_null");
        pid = server.pid();
    }
    EXPECT_NE(::kill(pid, 0), 0);
}

QUILBO_ON_BOTH_SERVERS(SoundHarness);

}  // namespace
}  // namespace quilbo::test
