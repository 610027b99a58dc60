// CWaveOutVolume against a private PulseAudio daemon with null sinks: readings, settings, mute,
// change notices and their thread, following the default sink, and a server that goes away.
#include "audio/WaveOutVolume.h"
#include "tests/support/SoundServer.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace quilbo::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kNone = CWaveOutVolume::kNoValue;

// Runs the test thread's event loop (where the notices arrive) until pred holds or time is up.
template <typename Pred>
bool pumpUntil(Pred pred, std::chrono::milliseconds timeout = 5s) {
    const QDeadlineTimer deadline(timeout);
    while (!pred()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Gives the server and libpulse's thread time to deliver whatever they are going to deliver.
void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

struct Notices {
    std::vector<std::uint32_t> values;
    std::vector<std::thread::id> threads;

    static void record(std::uint32_t value, void* context) {
        auto* self = static_cast<Notices*>(context);
        self->values.push_back(value);
        self->threads.push_back(std::this_thread::get_id());
    }
};

class PulseVolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.start()) << m_server.log();
        m_sink = m_server.sinkName();
    }

    // Raw server volumes of every channel of a sink, as pactl reports them.
    std::vector<std::uint32_t> sinkVolumes(const std::string& sink) const {
        const CommandResult result = m_server.pactl({"get-sink-volume", sink});
        std::vector<std::uint32_t> volumes;
        static const std::regex channel(R"(:\s*(\d+)\s*/)");
        for (std::sregex_iterator it(result.output.begin(), result.output.end(), channel), end;
             it != end; ++it) {
            volumes.push_back(static_cast<std::uint32_t>(std::stoul((*it)[1].str())));
        }
        return volumes;
    }

    bool sinkMuted(const std::string& sink) const {
        return m_server.pactl({"get-sink-mute", sink}).output.find("yes") != std::string::npos;
    }

    void setSinkVolume(const std::string& sink, std::vector<std::string> values) {
        std::vector<std::string> args = {"set-sink-volume", sink};
        args.insert(args.end(), values.begin(), values.end());
        ASSERT_TRUE(m_server.pactl(args).ok());
    }

    void setSinkMute(const std::string& sink, bool muted) {
        ASSERT_TRUE(m_server.pactl({"set-sink-mute", sink, muted ? "1" : "0"}).ok());
    }

    SoundServer m_server;
    std::string m_sink;
};

TEST_F(PulseVolumeTest, ReadsTheDefaultSinkOnTheProgramScale) {
    setSinkVolume(m_sink, {"49152"});
    CWaveOutVolume volume;

    EXPECT_EQ(volume.state(), VolumeState::Ready);
    EXPECT_TRUE(volume.HasVolumeControl());
    EXPECT_EQ(volume.GetMinimum(), 0U);
    EXPECT_EQ(volume.GetMaximum(), 65535U);
    EXPECT_EQ(volume.GetStepCount(), 65536U);
    EXPECT_EQ(volume.GetVolume(), 49151U);
    EXPECT_EQ(s_pActiveVolume, &volume);
}

TEST_F(PulseVolumeTest, VolumeChangedElsewhereIsToldOnTheCreatingThread) {
    CWaveOutVolume volume;
    Notices notices;
    volume.SetChangeCallback(&Notices::record, &notices);

    setSinkVolume(m_sink, {"49152"});
    ASSERT_TRUE(pumpUntil([&] { return !notices.values.empty(); }));
    EXPECT_EQ(notices.values.back(), 49151U);
    EXPECT_EQ(notices.threads.back(), std::this_thread::get_id());
    EXPECT_EQ(volume.GetVolume(), 49151U);

    // Channels apart: the first channel's value is the one told and read.
    setSinkVolume(m_sink, {"30000", "40000"});
    ASSERT_TRUE(pumpUntil([&] { return notices.values.size() == 2; }));
    EXPECT_EQ(notices.values.back(), 30000U);
    EXPECT_EQ(volume.GetVolume(), 30000U);

    // Boosted above 100 %: the top of the scale, never a value past the bounds.
    setSinkVolume(m_sink, {"98304"});
    ASSERT_TRUE(pumpUntil([&] { return notices.values.size() == 3; }));
    EXPECT_EQ(notices.values.back(), 65535U);
    EXPECT_EQ(volume.GetVolume(), 65535U);
    for (std::thread::id thread : notices.threads) {
        EXPECT_EQ(thread, std::this_thread::get_id());
    }
}

TEST_F(PulseVolumeTest, MuteChangesAndClearedCallbacksTellNothing) {
    CWaveOutVolume volume;
    Notices notices;
    volume.SetChangeCallback(&Notices::record, &notices);

    setSinkMute(m_sink, true);
    pumpFor(300ms);
    setSinkMute(m_sink, false);
    pumpFor(300ms);
    EXPECT_TRUE(notices.values.empty());

    // A volume change afterwards proves the notices were flowing all along.
    setSinkVolume(m_sink, {"32768"});
    ASSERT_TRUE(pumpUntil([&] { return !notices.values.empty(); }));
    EXPECT_EQ(notices.values, std::vector<std::uint32_t>{32768});

    volume.SetChangeCallback(nullptr, nullptr);
    setSinkVolume(m_sink, {"16384"});
    ASSERT_TRUE(pumpUntil([&] { return volume.GetVolume() == 16384U; }));
    pumpFor(100ms);
    EXPECT_EQ(notices.values.size(), 1U);

    // A later registration replaces the earlier one.
    Notices second;
    volume.SetChangeCallback(&Notices::record, &notices);
    volume.SetChangeCallback(&Notices::record, &second);
    setSinkVolume(m_sink, {"8192"});
    ASSERT_TRUE(pumpUntil([&] { return !second.values.empty(); }));
    EXPECT_EQ(second.values, std::vector<std::uint32_t>{8192});
    EXPECT_EQ(notices.values.size(), 1U);
}

TEST_F(PulseVolumeTest, SetVolumePutsEveryChannelAtOneValueWithinTheBounds) {
    setSinkVolume(m_sink, {"30000", "40000"});
    CWaveOutVolume volume;
    ASSERT_EQ(volume.GetVolume(), 30000U);

    volume.SetVolume(49151);
    EXPECT_EQ(volume.GetVolume(), 49151U);
    ASSERT_TRUE(pumpUntil([&] {
        return sinkVolumes(m_sink) == std::vector<std::uint32_t>{49152, 49152};
    })) << m_server.pactl({"get-sink-volume", m_sink}).output;

    volume.SetVolume(65536);
    volume.SetVolume(0xFFFFFFFFU);
    pumpFor(300ms);
    EXPECT_EQ(sinkVolumes(m_sink), (std::vector<std::uint32_t>{49152, 49152}));
    EXPECT_EQ(volume.GetVolume(), 49151U);

    volume.SetVolume(0);
    EXPECT_TRUE(pumpUntil([&] { return sinkVolumes(m_sink) == std::vector<std::uint32_t>{0, 0}; }));
    volume.SetVolume(65535);
    EXPECT_TRUE(pumpUntil([&] {
        return sinkVolumes(m_sink) == std::vector<std::uint32_t>{65536, 65536};
    }));
    EXPECT_EQ(volume.GetVolume(), 65535U);
}

TEST_F(PulseVolumeTest, ActivateUnmutesAndDeactivateMutesTheSink) {
    setSinkMute(m_sink, true);
    setSinkVolume(m_sink, {"40000"});
    CWaveOutVolume volume;

    volume.ActivateLine();
    EXPECT_TRUE(pumpUntil([&] { return !sinkMuted(m_sink); }));
    volume.DeactivateLine();
    EXPECT_TRUE(pumpUntil([&] { return sinkMuted(m_sink); }));
    volume.ActivateLine();
    EXPECT_TRUE(pumpUntil([&] { return !sinkMuted(m_sink); }));
    EXPECT_EQ(sinkVolumes(m_sink), (std::vector<std::uint32_t>{40000, 40000}));
}

TEST_F(PulseVolumeTest, FollowsTheDefaultSinkWhenItChanges) {
    CWaveOutVolume volume;
    Notices notices;
    volume.SetChangeCallback(&Notices::record, &notices);
    ASSERT_EQ(volume.GetVolume(), 65535U);

    const std::string other = "quilbo_other";
    const std::optional<int> module = m_server.loadNullSink(other);
    ASSERT_TRUE(module.has_value());
    setSinkVolume(other, {"16384"});
    pumpFor(200ms);
    EXPECT_TRUE(notices.values.empty()) << "a sink that is not the default changed";

    ASSERT_TRUE(m_server.setDefaultSink(other));
    ASSERT_TRUE(pumpUntil([&] { return !notices.values.empty(); }));
    EXPECT_EQ(notices.values.back(), 16384U);
    EXPECT_EQ(volume.GetVolume(), 16384U);

    volume.SetVolume(49151);
    EXPECT_TRUE(pumpUntil([&] {
        return sinkVolumes(other) == std::vector<std::uint32_t>{49152, 49152};
    }));
    EXPECT_EQ(sinkVolumes(m_sink), (std::vector<std::uint32_t>{65536, 65536}));

    volume.DeactivateLine();
    EXPECT_TRUE(pumpUntil([&] { return sinkMuted(other); }));
    EXPECT_FALSE(sinkMuted(m_sink));

    // The former default is no longer watched; the new one is.
    const std::size_t told = notices.values.size();
    setSinkVolume(m_sink, {"6554"});
    pumpFor(300ms);
    setSinkVolume(other, {"32768"});
    ASSERT_TRUE(pumpUntil([&] { return notices.values.size() > told; }));
    EXPECT_EQ(notices.values.size(), told + 1);
    EXPECT_EQ(notices.values.back(), 32768U);

    // Removing the default sink hands the object back to the one the server picks next.
    ASSERT_TRUE(m_server.pactl({"unload-module", std::to_string(*module)}).ok());
    ASSERT_TRUE(pumpUntil([&] { return notices.values.back() == 6554U; }));
    EXPECT_EQ(volume.GetVolume(), 6554U);
    EXPECT_EQ(volume.state(), VolumeState::Ready);
}

TEST_F(PulseVolumeTest, DestroyingTheObjectStopsItsNotices) {
    Notices notices;
    {
        CWaveOutVolume volume;
        volume.SetChangeCallback(&Notices::record, &notices);
        setSinkVolume(m_sink, {"20000"});
        // The loop thread sees the change and queues the notice, which this thread never runs
        // before the object goes.
        std::this_thread::sleep_for(300ms);
    }
    EXPECT_EQ(s_pActiveVolume, nullptr);
    setSinkVolume(m_sink, {"30000"});
    pumpFor(300ms);
    EXPECT_TRUE(notices.values.empty());
}

TEST_F(PulseVolumeTest, ServerDeathLeavesAnInertObjectThatRecoversWhenTheServerReturns) {
    setSinkVolume(m_sink, {"32768"});
    CWaveOutVolume volume;
    Notices notices;
    volume.SetChangeCallback(&Notices::record, &notices);
    ASSERT_EQ(volume.GetVolume(), 32768U);

    m_server.kill();
    ASSERT_TRUE(pumpUntil([&] { return volume.state() == VolumeState::Unavailable; }));
    EXPECT_FALSE(volume.HasVolumeControl());
    EXPECT_EQ(volume.GetVolume(), kNone);
    EXPECT_EQ(volume.GetMinimum(), kNone);
    EXPECT_EQ(volume.GetMaximum(), kNone);
    EXPECT_EQ(volume.GetStepCount(), kNone);
    volume.SetVolume(100);
    volume.ActivateLine();
    volume.DeactivateLine();
    EXPECT_TRUE(notices.values.empty());

    // A new server starts its sink at 100 %; the object reconnects and says so.
    ASSERT_TRUE(m_server.start()) << m_server.log();
    ASSERT_TRUE(pumpUntil([&] { return volume.state() == VolumeState::Ready; }, 10s));
    ASSERT_TRUE(pumpUntil([&] { return !notices.values.empty(); }));
    EXPECT_EQ(notices.values.back(), 65535U);
    EXPECT_EQ(volume.GetVolume(), 65535U);

    volume.SetVolume(16384);
    EXPECT_TRUE(pumpUntil([&] {
        return sinkVolumes(m_sink) == std::vector<std::uint32_t>{16384, 16384};
    }));
}

TEST_F(PulseVolumeTest, AStoppedServerDelaysConstructionOnlyBoundedly) {
    m_server.pause();
    {
        // Construction gives up waiting for the first reading; nothing else waits at all.
        CWaveOutVolume volume;
        EXPECT_EQ(volume.state(), VolumeState::Unavailable);
        EXPECT_EQ(volume.GetVolume(), kNone);
        volume.SetVolume(1000);
        volume.ActivateLine();
        m_server.resume();
        EXPECT_TRUE(pumpUntil([&] { return volume.state() == VolumeState::Ready; }));
        EXPECT_EQ(volume.GetVolume(), 65535U);
    }
    m_server.resume();
}

TEST(PulseVolumeNoServerTest, WithoutAServerEverythingAnswersNoValue) {
    CWaveOutVolume volume("unix:/nonexistent/quilbo/native");
    Notices notices;
    volume.SetChangeCallback(&Notices::record, &notices);

    EXPECT_EQ(volume.state(), VolumeState::Unavailable);
    EXPECT_FALSE(volume.HasVolumeControl());
    EXPECT_EQ(volume.GetStepCount(), kNone);
    EXPECT_EQ(volume.GetMinimum(), kNone);
    EXPECT_EQ(volume.GetMaximum(), kNone);
    EXPECT_EQ(volume.GetVolume(), kNone);
    volume.SetVolume(0);
    volume.SetVolume(65535);
    volume.ActivateLine();
    volume.DeactivateLine();
    pumpFor(200ms);
    EXPECT_TRUE(notices.values.empty());
    EXPECT_EQ(volume.GetVolume(), kNone);
}

}  // namespace
}  // namespace quilbo::test

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
