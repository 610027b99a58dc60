// The Run In page looping on a private PulseAudio server for a long time: the sink's monitor
// hears the five-second block back to back throughout, the output never runs dry, and the
// process's memory, descriptors and server clients stay where they were. Then many start/stop
// cycles of a session, which must leave nothing behind.
#include "audio/PulseWaveOut.h"
#include "audio/WaveOutVolume.h"
#include "pages/RunInPage.h"
#include "tests/fakes/FakePowerOff.h"
#include "tests/soak/ProcessFigures.h"
#include "tests/support/SoundServer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

namespace quilbo::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kBlock = CRunInPage::RUN_IN_BLOCK_BYTES;
constexpr std::size_t kBytesPerSecond = 44100 * 4;

int soakSeconds() {
    const char* text = std::getenv("QUILBO_SOAK_SECONDS");
    const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return value >= 10 ? static_cast<int>(std::min(value, 30L * 86400)) : 120;
}

void runEvents(Clock::duration span) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QTest::qSleep(5);
    }
}

bool waitFor(const std::function<bool()>& condition, Clock::duration bound) {
    const auto end = Clock::now() + bound;
    while (!condition() && Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(10);
    }
    return condition();
}

// The page with its player's block in view, so that a capture can be held against it.
class SoakPage : public CRunInPage {
public:
    using CRunInPage::CRunInPage;
    std::vector<std::uint8_t> block() const {
        return {m_pBlock.data(), m_pBlock.data() + std::min<std::size_t>(m_pBlock.size(), kBlock)};
    }
};

// How a capture compares with the block repeated without end.
struct LoopMatch {
    bool found = false;  // the capture's sound was found in the block
    std::size_t compared = 0;
    std::size_t differing = 0;
};

// Finds where in the block the capture's first sound lies, then compares every following byte
// with the block taken cyclically from there.
LoopMatch matchLoop(const std::vector<std::uint8_t>& capture,
                    const std::vector<std::uint8_t>& block) {
    LoopMatch match;
    const auto sound =
        std::find_if(capture.begin(), capture.end(), [](std::uint8_t b) { return b != 0; });
    std::size_t from = static_cast<std::size_t>(sound - capture.begin()) / 4 * 4;
    constexpr std::size_t kProbe = 4096;
    if (block.size() != kBlock || from + kProbe > capture.size()) {
        return match;
    }
    std::vector<std::uint8_t> twice(block);
    twice.insert(twice.end(), block.begin(), block.begin() + kProbe);
    const auto probe = capture.begin() + static_cast<std::ptrdiff_t>(from);
    const auto at =
        std::search(twice.begin(), twice.end(), std::boyer_moore_searcher(probe, probe + kProbe));
    if (at == twice.end()) {
        return match;
    }
    match.found = true;
    std::size_t offset = static_cast<std::size_t>(at - twice.begin());
    for (std::size_t i = from; i < capture.size(); ++i) {
        match.differing += capture[i] != block[offset];
        offset = offset + 1 == kBlock ? 0 : offset + 1;
    }
    match.compared = capture.size() - from;
    return match;
}

class RunInSoak : public ::testing::Test {
protected:
    SoundServer server;
    PulseWaveOut backend;
    std::unique_ptr<CWaveOutVolume> volume;
    FakePowerOff powerOff;
    std::unique_ptr<SoakPage> page;
    QStringList messages;

    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.log();
        volume = std::make_unique<CWaveOutVolume>();
        page = std::make_unique<SoakPage>(&backend, volume.get(), &powerOff);
        page->setQuitRequest([](int) {});
        page->setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        // Longer than any run: the session must not end by itself.
        qobject_cast<QComboBox*>(page->control(CRunInPage::IDC_HOURS))->setEditText("9999");
        page->show();
    }

    void TearDown() override {
        page.reset();
        volume.reset();
    }

    void clickRunIn() {
        qobject_cast<QAbstractButton*>(page->control(CRunInPage::IDC_RUN_IN))->click();
    }
};

TEST_F(RunInSoak, ALongSessionLoopsTheBlockWithoutUnderrunsOrGrowth) {
    const int seconds = soakSeconds();
    const ProcessFigures before = ProcessFigures::now();
    clickRunIn();
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    const std::vector<std::uint8_t> block = page->block();
    ASSERT_EQ(block.size(), kBlock);
    runEvents(1s);
    const std::size_t clients = server.clientCount();
    EXPECT_EQ(clients, 2U) << "the volume object and the playback stream";

    // Captured in stretches, so that a day's run does not hold a day of audio; each stretch is
    // checked on its own and the figures are taken between stretches.
    constexpr int kStretch = 30;
    std::optional<ProcessFigures> first;
    ProcessFigures last;
    std::size_t compared = 0;
    std::size_t differing = 0;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    for (int stretch = 0; Clock::now() < end; ++stretch) {
        const auto left = std::chrono::duration_cast<std::chrono::seconds>(end - Clock::now());
        const auto length = std::max(2s, std::min(left, std::chrono::seconds(kStretch)));
        SoundCapture capture(server);
        ASSERT_TRUE(capture.start()) << "stretch " << stretch;
        runEvents(length);
        const LoopMatch match = matchLoop(capture.stop(), block);
        ASSERT_TRUE(match.found) << "stretch " << stretch << ": the block is not in the capture";
        EXPECT_GE(match.compared, (length.count() - 1) * kBytesPerSecond) << "stretch " << stretch;
        EXPECT_EQ(match.differing, 0U) << "stretch " << stretch;
        compared += match.compared;
        differing += match.differing;

        ASSERT_TRUE(page->isPlaying()) << "stretch " << stretch;
        EXPECT_EQ(server.clientCount(), clients) << "stretch " << stretch;
        EXPECT_EQ(server.listShort("sink-inputs").size(), 1U) << "stretch " << stretch;
        last = ProcessFigures::now();
        if (!first) {
            // After the first stretch: the capture buffers have been had once.
            first = last;
        }
    }
    const std::uint64_t underruns = backend.underflowCount();
    std::cout << "soak " << seconds << " s: " << compared << " bytes compared, " << differing
              << " differing, " << underruns << " underruns, " << clients << " clients\n"
              << "  before playing: " << before << "\n  after the first stretch: " << *first
              << "\n  at the end: " << last << std::endl;
    RecordProperty("underruns", static_cast<int>(underruns));
    RecordProperty("rss_start_kib", static_cast<int>(first->residentKiB));
    RecordProperty("rss_end_kib", static_cast<int>(last.residentKiB));
    RecordProperty("fd_start", static_cast<int>(first->openFiles));
    RecordProperty("fd_end", static_cast<int>(last.openFiles));

    EXPECT_EQ(underruns, 0U);
    EXPECT_EQ(differing, 0U);
    EXPECT_GE(compared,
              static_cast<std::size_t>(seconds - 2 - seconds / kStretch) * kBytesPerSecond);
    EXPECT_EQ(last.openFiles, first->openFiles);
    if (kResidentMemoryIsMeaningful) {
        EXPECT_LE(last.residentKiB, first->residentKiB + 2048);
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    EXPECT_EQ(powerOff.requests, 0);

    clickRunIn();
    EXPECT_FALSE(page->isPlaying());
    EXPECT_TRUE(waitFor([&] { return server.listShort("sink-inputs").empty(); }, 5s));
    EXPECT_EQ(server.clientCount(), clients - 1);
}

TEST_F(RunInSoak, AThousandStartsAndStopsLeaveNoClientsMemoryOrDescriptorsBehind) {
    page->tickTimer()->stop();
    const auto cycle = [&](bool listen) {
        clickRunIn();
        bool played = page->isPlaying();
        if (listen) {
            // Now and then the noise reaches the server before the stop.
            played =
                played && waitFor([&] { return server.listShort("sink-inputs").size() == 1; }, 5s);
        }
        clickRunIn();
        QCoreApplication::processEvents();
        return played && !page->isRunning() && !page->isPlaying();
    };
    // The first sessions allocate what every later one reuses.
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(cycle(false)) << messages.join(' ').toStdString();
    }
    waitFor([&] { return server.listShort("sink-inputs").empty(); }, 5s);
    const std::size_t clients = server.clientCount();
    const ProcessFigures before = ProcessFigures::now();

    constexpr int kCycles = 1000;
    int good = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kCycles; ++i) {
        good += cycle(i % 100 == 0);
    }
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_TRUE(waitFor([&] { return server.listShort("sink-inputs").empty(); }, 5s));
    const ProcessFigures after = ProcessFigures::now();
    const std::size_t clientsAfter = server.clientCount();
    std::cout << kCycles << " cycles in " << took << " s; " << clients << " -> " << clientsAfter
              << " clients\n  before: " << before << "\n  after: " << after << std::endl;

    EXPECT_EQ(good, kCycles);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    EXPECT_EQ(clients, 1U) << "the volume object only";
    EXPECT_EQ(clientsAfter, clients);
    EXPECT_EQ(after.openFiles, before.openFiles);
    if (kResidentMemoryIsMeaningful) {
        EXPECT_LE(after.residentKiB, before.residentKiB + 2048);
    }
}

}  // namespace
}  // namespace quilbo::test
