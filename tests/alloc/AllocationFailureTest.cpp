// The Frequency page asked for a block the process cannot get: its address space is limited to
// what it already uses plus a margin, so the page's own allocator fails for real. The page must
// say so, render and play nothing, and play the next request that fits.
#include "pages/FrequencyPage.h"
#include "tests/support/FakeWaveOut.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILBO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUILBO_SANITIZED 1
#endif
#endif

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;

constexpr std::uint64_t kMiB = 1024 * 1024;

// The process's address space in use now, in bytes.
std::uint64_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// Lowers the soft address-space limit for its lifetime and puts the old one back.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::uint64_t bytes) {
        m_ok = getrlimit(RLIMIT_AS, &m_old) == 0;
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit() {
        if (m_ok) {
            setrlimit(RLIMIT_AS, &m_old);
        }
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    bool m_ok = false;
};

TEST(AllocationFailure, TooLargeARenderIsReportedAndTheNextPlayWorks) {
#ifdef QUILBO_SANITIZED
    GTEST_SKIP() << "the sanitizers' shadow memory needs more address space than the limit";
#endif
    FakeWaveOut device;
    Page page(&device);
    std::vector<QString> messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages.push_back(text); });
    page.show();
    auto* play = qobject_cast<QPushButton*>(page.control(Page::IDC_PLAY));
    auto* rate = qobject_cast<QComboBox*>(page.control(Page::IDC_SAMPLE_RATE));
    auto* time = qobject_cast<QLineEdit*>(page.control(Page::IDC_TIME));
    ASSERT_TRUE(play && rate && time);

    // Warm up first, so that the lazily built parts of Qt and the page already have their
    // memory when the limit comes down: one small render plays.
    time->setText(QStringLiteral("1"));
    play->click();
    ASSERT_TRUE(page.isPlaying());
    page.OnStop();
    device.clearCalls();
    const int opens = device.opens();

    // 300 s x 2 channels x 16 bits x 1000000 Hz / 8: 1.2 GB, within the page's own limit on
    // this machine's memory but far beyond what the process may now map.
    constexpr std::int64_t kHuge = 1200000000;
    ASSERT_LE(kHuge, page.blockLimit()) << "the page would refuse it before allocating";
    const AddressSpaceLimit limit(addressSpaceInUse() + 256 * kMiB);
    ASSERT_TRUE(limit.ok());
    time->setText(QStringLiteral("300"));
    rate->setEditText(QStringLiteral("1000000"));
    play->click();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              QStringLiteral("Could not get %1 bytes of memory for this signal.").arg(kHuge));
    EXPECT_FALSE(page.isPlaying());
    EXPECT_FALSE(page.m_progress->isVisible());
    EXPECT_EQ(device.opens(), opens);
    EXPECT_TRUE(device.callsOf(FakeWaveOut::Op::Write).empty());

    // Still under the limit, a request that fits plays: 2 s at 44100 Hz, 16-bit stereo.
    time->setText(QStringLiteral("2"));
    rate->setEditText(QStringLiteral("44100"));
    play->click();
    EXPECT_EQ(messages.size(), 1u);
    ASSERT_TRUE(page.isPlaying());
    EXPECT_EQ(page.blockSize(), 352800);
    const auto writes = device.callsOf(FakeWaveOut::Op::Write);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0].length, 24000u);
    page.OnStop();
    EXPECT_FALSE(device.deviceOpen());
}

}  // namespace
}  // namespace quilbo::test
