// The main window on fakes: every output device it opens and the volume object write what
// happens to them into one event log, together with the destruction of each page, so that tests
// can check the order of a teardown. Opened web addresses are recorded, the clock is the test's.
#pragma once

#include "app/MainDlg.h"
#include "app/TabPane.h"
#include "pages/FrequencyPage.h"
#include "pages/RunInPage.h"
#include "pages/StatementPage.h"
#include "tests/fakes/FakePowerOff.h"
#include "tests/fakes/FakeWaveOutVolume.h"
#include "tests/support/FakeWaveOut.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quilbo::test {

using EventLog = std::vector<std::string>;

// Every open gets a device of its own (numbered from 1), so that two pages can play at once and
// the test can return each one's pieces.
class RecordingWaveOut : public WaveOutBackend {
public:
    explicit RecordingWaveOut(EventLog& log) : m_log(log) {}

    WaveResult queryFormat(const WaveFormatExtensible&) override { return WaveResult::Ok; }

    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr) override {
        if (m_openFails) {
            if (result != nullptr) {
                *result = WaveResult::NoDevice;
            }
            return nullptr;
        }
        auto fake = std::make_unique<FakeWaveOut>();
        std::unique_ptr<WaveOutDevice> inner = fake->open(format, routine, instance, result);
        m_fakes.push_back(std::move(fake));
        const std::string name = std::to_string(m_fakes.size());
        m_log.push_back("open " + name);
        return std::make_unique<LoggedDevice>(std::move(inner), name, m_log);
    }

    void setOpenFails(bool fails) { m_openFails = fails; }
    int opens() const { return static_cast<int>(m_fakes.size()); }
    // The device of the given open, counted from 1.
    FakeWaveOut& device(int number) { return *m_fakes.at(static_cast<std::size_t>(number - 1)); }

private:
    class LoggedDevice : public WaveOutDevice {
    public:
        LoggedDevice(std::unique_ptr<WaveOutDevice> inner, std::string name, EventLog& log)
            : m_inner(std::move(inner)), m_name(std::move(name)), m_log(log) {}
        WaveResult prepare(WaveHeader* header) override { return m_inner->prepare(header); }
        WaveResult write(WaveHeader* header) override { return m_inner->write(header); }
        WaveResult unprepare(WaveHeader* header) override { return m_inner->unprepare(header); }
        WaveResult reset() override {
            m_log.push_back("reset " + m_name);
            return m_inner->reset();
        }
        WaveResult close() override {
            m_log.push_back("close " + m_name);
            return m_inner->close();
        }

    private:
        std::unique_ptr<WaveOutDevice> m_inner;
        std::string m_name;
        EventLog& m_log;
    };

    EventLog& m_log;
    bool m_openFails = false;
    std::vector<std::unique_ptr<FakeWaveOut>> m_fakes;
};

class LoggedVolume : public FakeWaveOutVolume {
public:
    explicit LoggedVolume(EventLog& log) : m_log(log) {}
    void SetChangeCallback(VolumeChangeCallback callback, void* context) override {
        if (callback == nullptr) {
            m_log.push_back("volume off");
        }
        FakeWaveOutVolume::SetChangeCallback(callback, context);
    }

private:
    EventLog& m_log;
};

// What every end of the window must do, in this order (devices numbered by open: the Frequency
// page plays first in these tests).
inline const EventLog kTeardown = {"reset 2",
                                   "close 2",
                                   "reset 1",
                                   "close 1",
                                   "volume off",
                                   "destroyed Run In",
                                   "destroyed Frequency",
                                   "destroyed statement"};

// The log from the first reset on, each entry at its first occurrence only (the Run In page
// lets go of the volume again in its destructor).
inline EventLog teardownOf(const EventLog& log) {
    EventLog steps;
    auto from = std::find_if(log.begin(), log.end(),
                             [](const std::string& e) { return e.rfind("reset", 0) == 0; });
    for (; from != log.end(); ++from) {
        if (std::find(steps.begin(), steps.end(), *from) == steps.end()) {
            steps.push_back(*from);
        }
    }
    return steps;
}

// The control with the given identifier on a page or on the window, or null.
template <typename W>
W* control(const QWidget* owner, int id) {
    QWidget* widget = nullptr;
    if (auto* page = qobject_cast<const CFrequencyPage*>(owner)) {
        widget = page->control(id);
    } else if (auto* window = qobject_cast<const CMainDlg*>(owner)) {
        widget = window->control(id);
    }
    return qobject_cast<W*>(widget);
}

// A one-second 1 kHz sine on the Frequency page, looped.
inline void playFrequency(CMainDlg& window) {
    CFrequencyPage* page = window.frequencyPage();
    control<QLineEdit>(page, CFrequencyPage::IDC_TIME)->setText(QStringLiteral("1"));
    control<QCheckBox>(page, CFrequencyPage::IDC_REPEAT)->setChecked(true);
    control<QAbstractButton>(page, CFrequencyPage::IDC_PLAY)->click();
}
inline void startRunIn(CMainDlg& window) {
    control<QAbstractButton>(window.runInPage(), CRunInPage::IDC_RUN_IN)->click();
}
// Sets the run-in end to "Exit quilbo" after one hour.
inline void chooseExitAfterOneHour(CMainDlg& window) {
    CRunInPage* page = window.runInPage();
    control<QComboBox>(page, CRunInPage::IDC_HOURS)->setEditText(QStringLiteral("1"));
    control<QRadioButton>(page, CRunInPage::IDC_EXIT_PROGRAM)->setChecked(true);
}

class MainWindowFixture : public ::testing::Test {
protected:
    static constexpr std::int64_t kEpoch = 1'700'000'000;

    EventLog log;
    RecordingWaveOut waveOut{log};
    LoggedVolume volume{log};
    FakePowerOff powerOff;
    std::int64_t now = kEpoch;
    std::vector<QUrl> opened;
    std::unique_ptr<CMainDlg> dlg;

    MainDlgServices services() {
        MainDlgServices s;
        s.waveOut = &waveOut;
        s.volume = &volume;
        s.powerOff = &powerOff;
        s.clock = [this] { return now; };
        s.urlOpener = [this](const QUrl& url) { opened.push_back(url); };
        return s;
    }

    void SetUp() override {
        dlg = std::make_unique<CMainDlg>(services());
        watchPages(*dlg);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }

    void TearDown() override { dlg.reset(); }

    // Logs the destruction of each page of the window.
    void watchPages(CMainDlg& window) {
        const std::pair<QObject*, std::string> pages[] = {
            {window.frequencyPage(), "destroyed Frequency"},
            {window.runInPage(), "destroyed Run In"},
            {window.statementPage(), "destroyed statement"}};
        for (const auto& [page, entry] : pages) {
            QObject::connect(page, &QObject::destroyed, [this, entry] { log.push_back(entry); });
        }
    }

    QTabBar* tabBar() const { return dlg->tabPane()->tabBar(); }
    void clickTab(int index) {
        QTest::mouseClick(tabBar(), Qt::LeftButton, {}, tabBar()->tabRect(index).center());
    }

    // Both pages playing: the Frequency page on device 1, the run-in session on device 2.
    void playBoth() {
        playFrequency(*dlg);
        startRunIn(*dlg);
        ASSERT_TRUE(dlg->frequencyPage()->isPlaying());
        ASSERT_TRUE(dlg->runInPage()->isPlaying());
        ASSERT_EQ(waveOut.opens(), 2);
    }
};

}  // namespace quilbo::test
