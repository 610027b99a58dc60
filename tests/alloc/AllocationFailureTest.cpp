// A render larger than the process may allocate (its address space limited to what it uses plus a
// margin): the page says so, plays nothing, and plays the next request that fits.
#include "tests/support/PageFixture.h"

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;
using AllocationFailure = PageTest;

TEST_F(AllocationFailure, TooLargeARenderIsReportedAndTheNextPlayWorks) {
    Page& page = freq();
    // First a small render, so that Qt's lazily built parts have their memory already.
    type(page, Page::IDC_TIME, "1");
    page.OnPlay();
    page.OnStop();
    const int opens = waveOut.opens();

    // 300 s x 2 x 16 bits x 1000000 Hz / 8: within the page's limit, far beyond the process's.
    constexpr std::int64_t kHuge = 1200000000;
    ASSERT_LE(kHuge, page.blockLimit());
    std::uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    const rlimit lowered{pages * sysconf(_SC_PAGESIZE) + 256 * 1024 * 1024, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
    type(page, Page::IDC_TIME, "300");
    type(page, Page::IDC_SAMPLE_RATE, "1000000");
    page.OnPlay();
    EXPECT_EQ(messages,
              QStringList{QString("Could not get %1 bytes of memory for this signal.").arg(kHuge)});
    EXPECT_FALSE(page.isPlaying());
    EXPECT_EQ(waveOut.opens(), opens);

    type(page, Page::IDC_TIME, "2");
    type(page, Page::IDC_SAMPLE_RATE, "44100");
    page.OnPlay();
    setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(page.isPlaying());
    EXPECT_EQ(page.blockSize(), 352800);
}

}  // namespace
}  // namespace quilbo::test
