// Pictures of the Frequency page in English and Chinese, with checks that no text is clipped.
#include "pages/FrequencyPage.h"
#include "res/Translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace quilbo {
namespace {

QString screenshotFolder() {
    QString folder = qEnvironmentVariable("QUILBO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        folder = QDir::current().absoluteFilePath(QStringLiteral("frequency-screenshots"));
    }
    QDir().mkpath(folder);
    return folder;
}

// Every text-bearing control gets at least the size its text needs.
void expectNothingClipped(const QWidget& page, const char* language) {
    for (QWidget* w : page.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->inherits("QSlider") || w->inherits("QProgressBar")) {
            continue;
        }
        const bool textual = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QGroupBox*>(w);
        if (!textual) {
            continue;
        }
        const QSize need =
            w->minimumSizeHint().expandedTo(qobject_cast<QGroupBox*>(w) ? QSize() : w->sizeHint());
        EXPECT_GE(w->width(), need.width())
            << language << ": " << w->objectName().toStdString() << " is clipped";
        EXPECT_GE(w->height(), need.height())
            << language << ": " << w->objectName().toStdString() << " is clipped";
    }
    // The readout shows its widest text completely.
    auto* readout = qobject_cast<QLineEdit*>(page.findChild<QWidget*>("levelReadout_1003"));
    ASSERT_NE(readout, nullptr);
    EXPECT_GE(readout->width(), readout->fontMetrics().horizontalAdvance(" -20DB"));
}

// The page with its render progress within reach, to picture the bar mid-render.
class ShotPage : public CFrequencyPage {
public:
    using CFrequencyPage::BeginRenderProgress;
    using CFrequencyPage::CFrequencyPage;
    using CFrequencyPage::EndRenderProgress;
};

QImage shoot(const QLocale& locale, const char* language, const QString& file) {
    installTranslations(locale);
    ShotPage page(nullptr);
    page.setWindowTitle(QStringLiteral("Quilbo V1.1"));
    page.show();
    QApplication::processEvents();
    expectNothingClipped(page, language);
    QImage image = page.grab().toImage();
    EXPECT_TRUE(image.save(file + QStringLiteral(".png"))) << file.toStdString();

    // Two thirds into a render: the bar shows, and nothing else moves.
    int tick = 0;
    page.setProgressClock(
        [&tick] { return std::chrono::steady_clock::time_point(std::chrono::seconds(++tick)); });
    g_pRenderPage = &page;
    page.BeginRenderProgress(3000);
    ReportRenderProgress(2000);
    const QImage rendering = page.grab().toImage();
    EXPECT_TRUE(rendering.save(file + QStringLiteral("-rendering.png")));
    EXPECT_EQ(page.m_progress->value(), 2000);
    page.EndRenderProgress();
    g_pRenderPage = nullptr;
    EXPECT_EQ(rendering.size(), image.size()) << "showing the bar moves nothing";
    installTranslations(QLocale(QLocale::English));
    return image;
}

TEST(FrequencyScreenshots, EnglishAndChinesePagesShowEveryControlUnclipped) {
    const QString folder = screenshotFolder();
    std::printf("Frequency page screenshots: %s\n", qPrintable(folder));

    const QImage english = shoot(QLocale(QLocale::English, QLocale::UnitedStates), "English",
                                 folder + QStringLiteral("/frequency-en"));
    const QImage chinese = shoot(QLocale(QLocale::Chinese, QLocale::China), "Chinese",
                                 folder + QStringLiteral("/frequency-zh_CN"));
    EXPECT_FALSE(english.isNull());
    EXPECT_FALSE(chinese.isNull());
    EXPECT_NE(english, chinese);
}

TEST(FrequencyScreenshots, ChineseListsCarryTheTranslatedEntries) {
    installTranslations(QLocale(QLocale::Chinese, QLocale::China));
    CFrequencyPage page(nullptr);
    auto* wave = qobject_cast<QComboBox*>(page.control(CFrequencyPage::IDC_WAVE));
    auto* channels = qobject_cast<QComboBox*>(page.control(CFrequencyPage::IDC_CHANNELS));
    ASSERT_NE(wave, nullptr);
    ASSERT_NE(channels, nullptr);
    const QStringList waves = {QString::fromUtf8("正弦波"),   QString::fromUtf8("方波"),
                               QString::fromUtf8("三角波"),   QString::fromUtf8("白噪声"),
                               QString::fromUtf8("粉红噪声"), QString::fromUtf8("褐噪声")};
    for (int i = 0; i < waves.size(); ++i) {
        EXPECT_EQ(wave->itemText(i), waves[i]);
    }
    EXPECT_EQ(channels->itemText(3), QString::fromUtf8("反相双声道"));
    EXPECT_EQ(qobject_cast<QAbstractButton*>(page.control(CFrequencyPage::IDC_PLAY))->text(),
              QString::fromUtf8("播放"));
    installTranslations(QLocale(QLocale::English));
}

}  // namespace
}  // namespace quilbo
