// The Run In page's slider bound to the real system volume on a private PulseAudio server:
// server changes move it, a release sets the sink, the page unmutes the sink, it follows the
// default sink, and without a server it is inert.
#include "audio/WaveOutVolume.h"
#include "tests/runin/RunInFixture.h"
#include "tests/support/SoundServer.h"

#include <QTest>

#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace quilbo::test {
namespace {

class VolumePulse : public RunInFixture {
protected:
    SoundServer server;
    std::unique_ptr<CWaveOutVolume> systemVolume;

    void SetUp() override { ASSERT_TRUE(server.start()) << server.log(); }

    void TearDown() override {
        // The program's order: the page goes before the volume object.
        page.reset();
        systemVolume.reset();
    }

    void makeRealPage(const std::string& address = {}) {
        systemVolume = std::make_unique<CWaveOutVolume>(address);
        makePage(systemVolume.get());
    }

    // The first channel's raw server volume of a sink.
    std::optional<std::uint32_t> sinkVolume(const std::string& sink) const {
        const CommandResult result = server.pactl({"get-sink-volume", sink});
        static const std::regex channel(R"(:\s*(\d+)\s*/)");
        std::smatch match;
        if (!std::regex_search(result.output, match, channel)) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(std::stoul(match[1].str()));
    }

    bool sinkMuted(const std::string& sink) const {
        return server.pactl({"get-sink-mute", sink}).output.find("yes") != std::string::npos;
    }

    void pactl(const std::vector<std::string>& args) {
        const CommandResult result = server.pactl(args);
        ASSERT_TRUE(result.ok()) << result.output;
    }
};

TEST_F(VolumePulse, ServerVolumeChangesMoveTheSliderToTheMappedPosition) {
    makeRealPage();
    ASSERT_EQ(systemVolume->state(), VolumeState::Ready);
    EXPECT_EQ(slider()->minimum(), 0);
    EXPECT_EQ(slider()->maximum(), 65535);
    EXPECT_EQ(slider()->value(), 0);  // a new null sink plays at 100 %

    // 49152 of PA_VOLUME_NORM is 49151 of 65535.
    pactl({"set-sink-volume", server.sinkName(), "49152"});
    QTRY_COMPARE_WITH_TIMEOUT(slider()->value(), 16384, 5000);
    pactl({"set-sink-volume", server.sinkName(), "0"});
    QTRY_COMPARE_WITH_TIMEOUT(slider()->value(), 65535, 5000);
}

TEST_F(VolumePulse, ReleasingTheSliderSetsTheSinkVolume) {
    pactl({"set-sink-volume", server.sinkName(), "32768"});
    makeRealPage();
    ASSERT_EQ(slider()->value(), 65535 - static_cast<int>(systemVolume->GetVolume()));
    const int before = slider()->value();

    dragTowardsTheTop();
    const int position = slider()->value();
    ASSERT_LT(position, before - 20000);
    const auto expected = static_cast<std::uint32_t>(65535 - position);
    EXPECT_EQ(systemVolume->GetVolume(), expected);
    // The server's scale is 65536 to our 65535: the nearest server volume.
    const std::uint32_t raw = (expected * 65536ULL + 32767) / 65535;
    QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(server.sinkName()), std::optional<std::uint32_t>(raw),
                              5000);
    // The page's own setting is not echoed back into the slider.
    QTest::qWait(200);
    EXPECT_EQ(slider()->value(), position);
}

TEST_F(VolumePulse, ThePageUnmutesAMutedSinkWhenItStarts) {
    pactl({"set-sink-mute", server.sinkName(), "1"});
    ASSERT_TRUE(sinkMuted(server.sinkName()));
    makeRealPage();
    QTRY_VERIFY_WITH_TIMEOUT(!sinkMuted(server.sinkName()), 5000);
}

TEST_F(VolumePulse, FollowsANewDefaultSink) {
    makeRealPage();
    const std::string other = "quilbo_headphones";
    ASSERT_TRUE(server.loadNullSink(other).has_value());
    pactl({"set-sink-volume", other, "16384"});
    ASSERT_TRUE(server.setDefaultSink(other));
    QTRY_COMPARE_WITH_TIMEOUT(slider()->value(), 65535 - 16384, 5000);

    // The release now sets the new default and leaves the old one alone.
    dragTowardsTheTop();
    const auto expected = static_cast<std::uint32_t>(65535 - slider()->value());
    const std::uint32_t raw = (expected * 65536ULL + 32767) / 65535;
    QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(other), std::optional<std::uint32_t>(raw), 5000);
    EXPECT_EQ(sinkVolume(server.sinkName()), std::optional<std::uint32_t>(65536));
}

TEST_F(VolumePulse, WithoutAServerTheSliderIsInert) {
    makeRealPage("unix:/nonexistent/quilbo/native");
    EXPECT_EQ(systemVolume->state(), VolumeState::Unavailable);
    EXPECT_EQ(slider()->minimum(), 65536);
    EXPECT_EQ(slider()->maximum(), 65536);
    EXPECT_EQ(slider()->value(), 65536);
    dragTowardsTheTop();
    EXPECT_EQ(slider()->value(), 65536);
    // The private server's sink was never touched.
    EXPECT_EQ(sinkVolume(server.sinkName()), std::optional<std::uint32_t>(65536));
}

}  // namespace
}  // namespace quilbo::test
