// The page fixture: a Frequency and a Run In page (each made on first use) on the fake back ends,
// or on whichever a test puts in their place first, with their messages, block allocations and
// quit requests recorded and a calendar clock the test sets.
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

class PageTest : public ::testing::Test {
protected:
    static constexpr std::int64_t kHour = 3600;
    EventLog log;
    FakeWaveOut waveOut;
    FakeWaveOutVolume volume;
    FakePowerOff powerOff;
    WaveOutBackend* backend = &waveOut;
    CWaveOutVolume* systemVolume = &volume;
    std::int64_t now = 1'700'000'000;  // the pages only look at differences
    std::int64_t started = now;        // of the last session
    QStringList messages;
    std::vector<std::size_t> allocations;
    std::vector<int> quits;  // each status asked for; -1 when the noise still played then
    std::unique_ptr<CFrequencyPage> frequency;
    std::unique_ptr<CRunInPage> runIn;

    void TearDown() override {
        runIn.reset();
        frequency.reset();
    }
    CFrequencyPage& freq() {
        if (!frequency) {
            frequency = std::make_unique<CFrequencyPage>(backend);
            frequency->setBlockAllocator([this](std::size_t bytes) {
                allocations.push_back(bytes);
                return SampleBlock::allocate(bytes);
            });
            record(*frequency);
        }
        return *frequency;
    }
    CRunInPage& run() {
        if (!runIn) {
            runIn = std::make_unique<CRunInPage>(backend, systemVolume, &powerOff);
            runIn->tickTimer()->stop();
            runIn->setCalendarClock([this] { return now; });
            runIn->setQuitRequest([this](int s) { quits.push_back(runIn->isPlaying() ? -1 : s); });
            record(*runIn);
        }
        return *runIn;
    }
    void record(CFrequencyPage& page) {
        page.setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        page.show();
    }
    template <typename W = QAbstractButton>
    static W* ctl(const CFrequencyPage& page, int id) {
        return qobject_cast<W*>(page.control(id));
    }
    static void click(const CFrequencyPage& page, int id) { ctl(page, id)->click(); }
    // Types into an edit, or into the edit field of a list box.
    static void type(const CFrequencyPage& page, int id, const QString& text) {
        if (auto* edit = ctl<QLineEdit>(page, id)) {
            edit->setText(text);
        } else {
            ctl<QComboBox>(page, id)->setEditText(text);
        }
    }
    // Starts a session of the given hours (null: as typed) ending with "Exit quilbo" or
    // "Shut down".
    void startRunIn(const char* hours = "ALL", bool exit = false) {
        if (hours != nullptr) {
            type(run(), CRunInPage::IDC_HOURS, QString::fromUtf8(hours));
        }
        ctl(run(), exit ? CRunInPage::IDC_EXIT_PROGRAM : CRunInPage::IDC_SHUT_DOWN)->click();
        started = now;
        click(run(), CRunInPage::IDC_RUN_IN);
    }
    // One tick of the session, elapsed seconds after its start.
    void tickAt(std::int64_t elapsed) {
        now = started + elapsed;
        run().OnTimer();
    }
    QString elapsedText() { return ctl<QLabel>(run(), CRunInPage::IDC_ELAPSED)->text(); }
    QSlider* volumeSlider() { return ctl<QSlider>(run(), CRunInPage::IDC_SYSTEM_VOLUME); }
};

// The run-in block as the seeded renderer makes it for a calendar second.
std::vector<std::uint8_t> runInBlock(std::uint32_t second);

// Drags a slider's thumb with the left button by dy pixels and lets it go, as a user would.
void dragThumb(QSlider* slider, int dy);

}  // namespace quilbo::test
