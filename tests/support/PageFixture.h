// A Frequency and a Run In page, each made on first use on the fake back ends (or whichever a test
// puts in their place first), recording their messages, block allocations and quit requests, on a
// calendar clock the test sets. Pages is the fuzz target's harness too; PageTest, the fixture.
#pragma once

#include "pages/RunInPage.h"
#include "tests/support/FakeWaveOut.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace quilbo::test {

struct Pages {
    static constexpr std::int64_t kHour = 3600;
    EventLog log;
    FakeWaveOut waveOut;
    FakeWaveOutVolume volume;
    FakePowerOff powerOff;
    WaveOutBackend* backend = &waveOut;
    CWaveOutVolume* systemVolume = &volume;
    PowerOffRequester* powerOffService = &powerOff;
    SleepInhibitor* sleepInhibitor = nullptr;
    std::int64_t now = 1'700'000'000;  // the pages only look at differences
    std::int64_t started = now;        // of the last session
    QStringList messages;
    std::vector<std::size_t> allocations;
    std::vector<int> quits;  // each status asked for; -1 when the noise still played then
    std::unique_ptr<CFrequencyPage> frequency;  // destroyed before the fakes
    std::unique_ptr<CRunInPage> runIn;

    CFrequencyPage& freq();
    CRunInPage& run();
    template <typename W = QAbstractButton>
    static W* ctl(const CFrequencyPage& page, int id) {
        return qobject_cast<W*>(page.control(id));
    }
    static void click(const CFrequencyPage& page, int id) { ctl(page, id)->click(); }
    // Types into an edit, or into the edit field of a list box.
    static void type(const CFrequencyPage& page, int id, const QString& text);
    // Starts a session of the given hours (null: as typed), ending with "Exit quilbo" or not.
    void startRunIn(const char* hours = "ALL", bool exit = false);
    // One tick of the session, elapsed seconds after its start.
    void tickAt(std::int64_t elapsed) {
        now = started + elapsed;
        run().OnTimer();
    }
    QString elapsedText() { return ctl<QLabel>(run(), CRunInPage::IDC_ELAPSED)->text(); }
    QSlider* volumeSlider() { return ctl<QSlider>(run(), CRunInPage::IDC_SYSTEM_VOLUME); }
};

class PageTest : public ::testing::Test, public Pages {};

// The run-in block as the seeded renderer makes it for a calendar second.
std::vector<std::uint8_t> runInBlock(std::uint32_t second);

// Drags a slider's thumb with the left button by dy pixels and lets it go, as a user would.
void dragThumb(QSlider* slider, int dy);

}  // namespace quilbo::test
