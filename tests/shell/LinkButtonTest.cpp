// CLinkButton: its pixels in each state, the hand cursor and the click, driven through Qt's
// event delivery on the offscreen platform.
#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>

#include "app/LinkButton.h"

namespace {

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kGrey = 0xff888888;
const QSize kButtonSize(90, 22);

// A window holding the link button and a second widget that can take the focus away from it.
class LinkButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<QWidget>();
        m_window->resize(200, 80);
        m_button = new CLinkButton(QStringLiteral("example.org"), m_window.get());
        m_button->setGeometry(QRect(QPoint(20, 10), kButtonSize));
        m_other = new QWidget(m_window.get());
        m_other->setFocusPolicy(Qt::StrongFocus);
        m_other->setGeometry(20, 50, 40, 20);
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        m_other->setFocus();
        ASSERT_FALSE(m_button->hasFocus());
    }

    QImage picture() const {
        return m_button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }

    std::unique_ptr<QWidget> m_window;
    CLinkButton* m_button = nullptr;
    QWidget* m_other = nullptr;
};

struct Edges {
    bool topLeftBlack = true;      // top row and left column, less their last pixel
    bool bottomRightWhite = true;  // bottom row and right column
    bool allWhite = true;          // the whole outermost ring
};

Edges edgesOf(const QImage& image) {
    Edges edges;
    const int w = image.width();
    const int h = image.height();
    for (int x = 0; x < w; ++x) {
        const bool top = image.pixel(x, 0) == kBlack;
        if (x < w - 1) {
            edges.topLeftBlack &= top;
        }
        edges.bottomRightWhite &= image.pixel(x, h - 1) == kWhite;
        edges.allWhite &= image.pixel(x, 0) == kWhite && image.pixel(x, h - 1) == kWhite;
    }
    for (int y = 0; y < h; ++y) {
        if (y < h - 1) {
            edges.topLeftBlack &= image.pixel(0, y) == kBlack;
        }
        edges.bottomRightWhite &= image.pixel(w - 1, y) == kWhite;
        edges.allWhite &= image.pixel(0, y) == kWhite && image.pixel(w - 1, y) == kWhite;
    }
    return edges;
}

bool isPressedFrame(const QImage& image) {
    const Edges edges = edgesOf(image);
    return edges.topLeftBlack && edges.bottomRightWhite;
}

TEST_F(LinkButtonTest, PaintsGreyCaptionOnWhiteFromFiveTwo) {
    const QImage image = picture();
    ASSERT_EQ(image.size(), kButtonSize);
    int darkest = 0xff;
    int nearlyFull = 0;  // pixels the glyphs cover almost whole
    int minX = image.width();
    int minY = image.height();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == kWhite) {
                continue;
            }
            // Only the caption's grey and its anti-aliased blends with white, no colour, no face.
            ASSERT_EQ(qRed(pixel), qGreen(pixel)) << x << "," << y;
            ASSERT_EQ(qGreen(pixel), qBlue(pixel)) << x << "," << y;
            ASSERT_GE(qRed(pixel), 0x88) << x << "," << y;
            darkest = std::min(darkest, qRed(pixel));
            nearlyFull += qRed(pixel) < 0xa0;
            minX = std::min(minX, x);
            minY = std::min(minY, y);
        }
    }
    // The caption's own colour is the darkest one; blends with white are lighter.
    EXPECT_EQ(darkest, qRed(kGrey));
    EXPECT_GT(nearlyFull, 20);
    EXPECT_GE(minX, 5);
    EXPECT_LE(minX, 7);
    EXPECT_GE(minY, 2);
    EXPECT_LE(minY, 2 + m_button->fontMetrics().ascent() - m_button->fontMetrics().capHeight() + 1);
    EXPECT_TRUE(edgesOf(image).allWhite);
}

TEST_F(LinkButtonTest, EmptyCaptionPaintsPlainWhite) {
    m_button->setText(QString());
    const QImage image = picture();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_EQ(image.pixel(x, y), kWhite) << x << "," << y;
        }
    }
}

TEST_F(LinkButtonTest, DisabledLooksExactlyLikeEnabled) {
    const QImage enabled = picture();
    m_button->setEnabled(false);
    EXPECT_EQ(picture(), enabled);
}

TEST_F(LinkButtonTest, PressedFrameOnlyWhenPressedAndFocused) {
    // Pressed without the focus: no frame.
    m_button->setDown(true);
    EXPECT_TRUE(edgesOf(picture()).allWhite);

    // Pressed with the focus: black top and left, white bottom and right.
    m_button->setFocus();
    ASSERT_TRUE(m_button->hasFocus());
    EXPECT_TRUE(isPressedFrame(picture()));

    // Focus alone: the white frame, which cannot be seen on the white background.
    m_button->setDown(false);
    EXPECT_TRUE(edgesOf(picture()).allWhite);

    // Losing the focus draws nothing either.
    m_other->setFocus();
    EXPECT_TRUE(edgesOf(picture()).allWhite);
}

TEST_F(LinkButtonTest, PressSinksReleaseClicksAndClearsFrame) {
    QSignalSpy clicks(m_button, &QPushButton::clicked);
    QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_TRUE(m_button->hasFocus());
    EXPECT_TRUE(isPressedFrame(picture()));
    EXPECT_EQ(clicks.count(), 0);

    QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(edgesOf(picture()).allWhite);

    // Space with the focus presses and clicks it the same way.
    QTest::keyPress(m_button, Qt::Key_Space);
    EXPECT_TRUE(isPressedFrame(picture()));
    QTest::keyRelease(m_button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(edgesOf(picture()).allWhite);
}

TEST_F(LinkButtonTest, HandCursorOnlyWhileMouseMovesOverButton) {
    QWindow* window = m_window->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint outside(150, 60);
    const QPoint inside = m_button->geometry().center();

    // Moves without a button held, delivered by the window system as a real pointer would be.
    QTest::mouseMove(window, outside);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(window, inside);
    EXPECT_EQ(m_button->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(window->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(window, outside);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(m_window->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
