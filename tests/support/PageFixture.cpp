// The page fixture's pages and helpers.
#include "tests/support/PageFixture.h"

#include "synth/Synthesis.h"

#include <QStyleOptionSlider>

namespace quilbo::test {

CFrequencyPage& Pages::freq() {
    if (!frequency) {
        frequency = std::make_unique<CFrequencyPage>(backend, sleepInhibitor);
        frequency->setBlockAllocator([this](std::size_t bytes) {
            allocations.push_back(bytes);
            return SampleBlock::allocate(bytes);
        });
        frequency->setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        frequency->show();
    }
    return *frequency;
}

CRunInPage& Pages::run() {
    if (!runIn) {
        runIn =
            std::make_unique<CRunInPage>(backend, systemVolume, powerOffService, sleepInhibitor);
        runIn->tickTimer()->stop();
        runIn->setCalendarClock([this] { return now; });
        runIn->setQuitRequest([this](int s) { quits.push_back(runIn->isPlaying() ? -1 : s); });
        runIn->setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        runIn->show();
    }
    return *runIn;
}

void Pages::type(const CFrequencyPage& page, int id, const QString& text) {
    if (auto* edit = ctl<QLineEdit>(page, id)) {
        edit->setText(text);
    } else {
        ctl<QComboBox>(page, id)->setEditText(text);
    }
}

void Pages::startRunIn(const char* hours, bool exit) {
    if (hours != nullptr) {
        type(run(), CRunInPage::IDC_HOURS, QString::fromUtf8(hours));
    }
    ctl(run(), exit ? CRunInPage::IDC_EXIT_PROGRAM : CRunInPage::IDC_SHUT_DOWN)->click();
    started = now;
    click(run(), CRunInPage::IDC_RUN_IN);
}

std::vector<std::uint8_t> runInBlock(std::uint32_t second) {
    std::vector<std::uint8_t> block(CRunInPage::RUN_IN_BLOCK_BYTES);
    SynthesizeNoiseSeeded(second, block.data(), CRunInPage::RUN_IN_BLOCK_BYTES, 44100, 0, 16, 4,
                          0.5, nullptr);
    return block;
}

void dragThumb(QSlider* slider, int dy) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = option.sliderValue = slider->value();
    option.upsideDown = !slider->invertedAppearance();
    QPoint at = slider->style()
                    ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
                    .center();
    QTest::mousePress(slider, Qt::LeftButton, {}, at);
    for (int moved = 0; moved < std::abs(dy); moved += 2) {
        at.ry() += dy < 0 ? -2 : 2;
        QTest::mouseMove(slider, at);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
}

}  // namespace quilbo::test
