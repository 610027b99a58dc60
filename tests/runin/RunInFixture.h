// A Run In page on fakes: wave output, system volume, power-off, a calendar clock the test sets,
// and its messages and quit requests recorded. The page's own timer is stopped: tests tick.
#pragma once

#include "pages/RunInPage.h"
#include "tests/fakes/FakePowerOff.h"
#include "tests/fakes/FakeWaveOutVolume.h"
#include "tests/support/FakeWaveOut.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace quilbo::test {

class RunInFixture : public ::testing::Test {
protected:
    // An arbitrary moment in 2023; the page only ever looks at differences.
    static constexpr std::int64_t kEpoch = 1'700'000'000;

    FakeWaveOut device;
    FakeWaveOutVolume volume;
    FakePowerOff powerOff;
    std::int64_t now = kEpoch;
    std::vector<int> quitRequests;
    QStringList messages;
    std::unique_ptr<CRunInPage> page;

    void SetUp() override { makePage(); }

    void TearDown() override { page.reset(); }

    // Builds the page against the fakes as they are set now, or against the given stand-ins.
    void makePage(CWaveOutVolume* systemVolume = nullptr, PowerOffRequester* requester = nullptr) {
        page.reset();
        page =
            std::make_unique<CRunInPage>(&device, systemVolume != nullptr ? systemVolume : &volume,
                                         requester != nullptr ? requester : &powerOff);
        page->tickTimer()->stop();
        page->setCalendarClock([this] { return now; });
        page->setQuitRequest([this](int status) { quitRequests.push_back(status); });
        page->setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        page->show();
    }

    template <typename W>
    W* control(int id) const {
        auto* widget = qobject_cast<W*>(page->control(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }
    QAbstractButton* runInButton() const {
        return control<QAbstractButton>(CRunInPage::IDC_RUN_IN);
    }
    QComboBox* hoursBox() const { return control<QComboBox>(CRunInPage::IDC_HOURS); }
    QSlider* slider() const { return control<QSlider>(CRunInPage::IDC_SYSTEM_VOLUME); }
    QString buttonText() const { return runInButton()->text(); }
    QString label() const { return control<QLabel>(CRunInPage::IDC_ELAPSED)->text(); }

    void clickRunIn() { runInButton()->click(); }
    // Starts a session at the current time.
    void start() {
        ASSERT_FALSE(page->isRunning());
        clickRunIn();
        ASSERT_TRUE(page->isRunning());
    }
    void setHours(const QString& text) { hoursBox()->setEditText(text); }
    void chooseHoursEntry(int index) { hoursBox()->setCurrentIndex(index); }
    void chooseExit() { control<QRadioButton>(CRunInPage::IDC_EXIT_PROGRAM)->setChecked(true); }
    void chooseShutDown() { control<QRadioButton>(CRunInPage::IDC_SHUT_DOWN)->setChecked(true); }

    // One tick with the clock at `elapsed` seconds after `start`.
    void tickAt(std::int64_t elapsed, std::int64_t start = kEpoch) {
        now = start + elapsed;
        page->OnTimer();
    }

    // Drags the volume slider's thumb from the middle to near the top and lets it go.
    void dragTowardsTheTop() {
        QSlider* s = slider();
        const QPoint middle = s->rect().center();
        QTest::mousePress(s, Qt::LeftButton, {}, middle);
        for (int y = middle.y() - 5; y > 2; y -= 5) {
            QTest::mouseMove(s, QPoint(middle.x(), y));
        }
        QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(middle.x(), 2));
    }

    // Something happened that only the end of a session does.
    bool ended() const { return powerOff.requests > 0 || !quitRequests.empty(); }
};

}  // namespace quilbo::test
