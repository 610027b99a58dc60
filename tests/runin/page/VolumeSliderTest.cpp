// The system volume slider on a fake volume object: the mapping p = 65535 - v, what the mouse
// and the keys write, notices from elsewhere, an inert slider, and the page letting go.
#include "tests/runin/RunInFixture.h"

#include <QTest>

#include <cstdint>
#include <vector>

namespace quilbo::test {
namespace {

class VolumeSlider : public RunInFixture {
protected:
    // A fresh page on the volume object as the test has set it up.
    void rebuild() {
        volume.activateCalls = 0;
        volume.setVolumeCalls.clear();
        makePage();
    }
};

TEST_F(VolumeSlider, InitialisationUnmutesListensAndShowsTheVolumeUpsideDown) {
    volume.muted = true;
    volume.volume = 49151;
    rebuild();

    EXPECT_EQ(volume.activateCalls, 1);
    EXPECT_FALSE(volume.muted);
    EXPECT_TRUE(volume.hasCallback());
    EXPECT_EQ(volume.callbackContext(), page.get());
    EXPECT_EQ(slider()->minimum(), 0);
    EXPECT_EQ(slider()->maximum(), 65535);
    // A quarter of the way down from the top, which is the loudest end.
    EXPECT_EQ(slider()->value(), 16384);
    EXPECT_EQ(slider()->orientation(), Qt::Vertical);
    EXPECT_TRUE(slider()->invertedAppearance());
    EXPECT_TRUE(volume.setVolumeCalls.empty());

    // Other bounds: range [65535 - maximum, 65535 - minimum].
    volume.minimum = 100;
    volume.maximum = 60000;
    volume.volume = 1000;
    rebuild();
    EXPECT_EQ(slider()->minimum(), 5535);
    EXPECT_EQ(slider()->maximum(), 65435);
    EXPECT_EQ(slider()->value(), 64535);
}

TEST_F(VolumeSlider, MouseReleaseWritesTheVolumeOfThePosition) {
    volume.volume = 32768;
    rebuild();
    ASSERT_EQ(slider()->value(), 32767);

    dragTowardsTheTop();
    const int dragged = slider()->value();
    EXPECT_LT(dragged, 8000);
    ASSERT_EQ(volume.setVolumeCalls.size(), 1U);
    EXPECT_EQ(volume.setVolumeCalls[0], static_cast<std::uint32_t>(65535 - dragged));
    EXPECT_EQ(volume.volume, static_cast<std::uint32_t>(65535 - dragged));

    // A click on the groove below the thumb steps it down; the release writes that too.
    const QPoint bottom(slider()->rect().center().x(), slider()->rect().bottom() - 2);
    QTest::mouseClick(slider(), Qt::LeftButton, {}, bottom);
    ASSERT_EQ(volume.setVolumeCalls.size(), 2U);
    EXPECT_GT(slider()->value(), dragged);
    EXPECT_EQ(volume.setVolumeCalls[1], static_cast<std::uint32_t>(65535 - slider()->value()));
}

TEST_F(VolumeSlider, KeysMoveTheThumbButWriteNothingUntilTheNextRelease) {
    volume.volume = 32768;
    rebuild();
    slider()->setFocus();
    QTest::keyClick(slider(), Qt::Key_Down);
    QTest::keyClick(slider(), Qt::Key_PageDown);
    QTest::keyClick(slider(), Qt::Key_End);
    EXPECT_NE(slider()->value(), 32767);
    EXPECT_TRUE(volume.setVolumeCalls.empty());
    EXPECT_EQ(volume.volume, 32768U);

    dragTowardsTheTop();
    ASSERT_EQ(volume.setVolumeCalls.size(), 1U);
    EXPECT_EQ(volume.setVolumeCalls[0], static_cast<std::uint32_t>(65535 - slider()->value()));
}

TEST_F(VolumeSlider, ChangesMadeElsewhereMoveTheSliderWithoutWritingBack) {
    volume.volume = 65535;
    rebuild();
    ASSERT_EQ(slider()->value(), 0);

    volume.changeFromOutside(49151);
    EXPECT_EQ(slider()->value(), 16384);
    volume.changeFromOutside(0);
    EXPECT_EQ(slider()->value(), 65535);
    volume.changeFromOutside(65535);
    EXPECT_EQ(slider()->value(), 0);
    EXPECT_TRUE(volume.setVolumeCalls.empty());
}

TEST_F(VolumeSlider, WithoutAVolumeControlTheSliderIsInert) {
    for (VolumeState state : {VolumeState::Unavailable, VolumeState::LineWithoutVolume}) {
        SCOPED_TRACE(static_cast<int>(state));
        volume.fakeState = state;
        volume.volume = 30000;
        rebuild();
        EXPECT_EQ(slider()->minimum(), 65536);
        EXPECT_EQ(slider()->maximum(), 65536);
        EXPECT_EQ(slider()->value(), 65536);

        // A release asks for "-1", which changes nothing.
        dragTowardsTheTop();
        EXPECT_EQ(slider()->value(), 65536);
        EXPECT_EQ(volume.setVolumeCalls, std::vector<std::uint32_t>{0xFFFFFFFFU});
        EXPECT_EQ(volume.volume, 30000U);
    }

    // A control that appears later (the server came back, another output became the default)
    // brings the slider to life with its first notice.
    volume.fakeState = VolumeState::Ready;
    volume.changeFromOutside(49151);
    EXPECT_EQ(slider()->minimum(), 0);
    EXPECT_EQ(slider()->maximum(), 65535);
    EXPECT_EQ(slider()->value(), 16384);
}

TEST_F(VolumeSlider, APageWithoutVolumeObjectWorksWithAnInertSlider) {
    page.reset();
    CRunInPage bare(&device, nullptr, &powerOff);
    bare.tickTimer()->stop();
    auto* s = bare.findChild<QSlider*>("volume_1002");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->minimum(), 65536);
    EXPECT_EQ(s->value(), 65536);
    QTest::mouseClick(s, Qt::LeftButton, {}, s->rect().center());
    EXPECT_EQ(s->value(), 65536);
    EXPECT_TRUE(volume.setVolumeCalls.empty());
}

TEST_F(VolumeSlider, DestroyingThePageStopsItsNotices) {
    ASSERT_TRUE(volume.hasCallback());
    page.reset();
    EXPECT_FALSE(volume.hasCallback());
    // A notice after the page is gone reaches nothing.
    volume.changeFromOutside(1234);
}

}  // namespace
}  // namespace quilbo::test
