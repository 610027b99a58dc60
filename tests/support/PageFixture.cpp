// Helpers of the page fixture.
#include "tests/support/PageFixture.h"

#include "synth/Synthesis.h"

#include <QStyleOptionSlider>

namespace quilbo::test {

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
