// The pictures the shell carries: banner sizes and the icon in every desktop size.
#include <gtest/gtest.h>

#include <QImage>

#include "app/ShellArt.h"

namespace {

// The share of pixels that differ from the top-left one: a blank or single-colour picture has 0.
double shareOfDifferentPixels(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    qint64 different = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            different += image.pixel(x, y) != first;
        }
    }
    return double(different) / (double(image.width()) * image.height());
}

TEST(ShellArt, BannersAre465By70AndNotBlank) {
    for (const QPixmap& banner : {quilbo::titleBanner(), quilbo::advertisementBanner()}) {
        ASSERT_FALSE(banner.isNull());
        EXPECT_EQ(banner.size(), QSize(465, 70));
        EXPECT_GT(shareOfDifferentPixels(banner.toImage()), 0.3);
    }
}

TEST(ShellArt, IconComesInEveryDesktopSize) {
    const QIcon icon = quilbo::appIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(sizes.contains(QSize(size, size)));
        const QImage image(QStringLiteral(":/quilbo/icons/quilbo-%1.png").arg(size));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(size, size));
        // A rounded tile: transparent corners, opaque centre.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }
}

}  // namespace
