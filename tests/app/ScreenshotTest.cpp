// Pictures of the whole window on each tab in English and Chinese, with checks that every page
// fits its frame and no text is cut off. QUILBO_SCREENSHOT_DIR names the folder (the README's
// pictures are docs/screenshots/); without it they go to the working folder.
#include "MainWindowFixture.h"

#include "app/Banner.h"
#include "res/Translations.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>

namespace quilbo::test {
namespace {

QString screenshotFolder() {
    QString folder = qEnvironmentVariable("QUILBO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        folder = QDir::current().absoluteFilePath(QStringLiteral("app-screenshots"));
    }
    QDir().mkpath(folder);
    return folder;
}

// Every visible text-bearing control has at least the room its text asks for.
void expectNothingClipped(const QWidget& window, const std::string& where) {
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        const bool textual = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QGroupBox*>(w) ||
                             qobject_cast<QTabBar*>(w);
        if (!textual ||
            (qobject_cast<QLabel*>(w) && !qobject_cast<QLabel*>(w)->pixmap().isNull())) {
            continue;
        }
        const QSize need = qobject_cast<QGroupBox*>(w)
                               ? w->minimumSizeHint()
                               : w->minimumSizeHint().expandedTo(w->sizeHint());
        EXPECT_GE(w->width(), need.width()) << where << ": " << w->objectName().toStdString();
        EXPECT_GE(w->height(), need.height()) << where << ": " << w->objectName().toStdString();
    }
}

class ScreenshotTest : public MainWindowFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        installTranslations(QLocale(QString::fromLatin1(GetParam())));
        MainWindowFixture::SetUp();
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        installTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
    }
};

TEST_P(ScreenshotTest, WholeWindowOnEachTab) {
    const bool chinese = QString::fromLatin1(GetParam()).startsWith(QStringLiteral("zh"));
    const QStringList tabs =
        chinese
            ? QStringList{QStringLiteral("频率"), QStringLiteral("煲箱"), QStringLiteral("声明")}
            : QStringList{QStringLiteral("Frequency"), QStringLiteral("Run In"),
                          QStringLiteral("Licence")};
    ASSERT_EQ(tabBar()->count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tabBar()->tabText(i), tabs[i]);
    }

    // A session an hour and a half in, for the Run In picture.
    startRunIn(*dlg);
    now += 3600 + 23 * 60 + 45;
    dlg->runInPage()->OnTimer();

    // The window must fit a small laptop screen, and the banners show whole.
    EXPECT_LE(dlg->frameGeometry().width(), 1024);
    EXPECT_LE(dlg->frameGeometry().height(), 740);
    for (const char* name : {"titleBanner", "adBanner_1032"}) {
        const auto* banner = dlg->findChild<Banner*>(QString::fromLatin1(name));
        EXPECT_EQ(banner->pictureRect().size(), QSize(465, 70)) << name;
        EXPECT_TRUE(banner->contentsRect().contains(banner->pictureRect())) << name;
    }

    const char* files[] = {"frequency", "runin", "licence"};
    const QString language = chinese ? QStringLiteral("zh") : QStringLiteral("en");
    QWidget* frame = dlg->control(CMainDlg::IDC_PAGE_FRAME);
    for (int tab = 0; tab < 3; ++tab) {
        clickTab(tab);
        QCoreApplication::processEvents();
        const std::string where = language.toStdString() + " " + files[tab];
        expectNothingClipped(*dlg, where);
        const QWidget* shown = tab == 0   ? static_cast<QWidget*>(dlg->frequencyPage())
                               : tab == 1 ? static_cast<QWidget*>(dlg->runInPage())
                                          : static_cast<QWidget*>(dlg->statementPage());
        EXPECT_TRUE(frame->contentsRect().contains(shown->geometry())) << where;
        EXPECT_GE(shown->width(), shown->sizeHint().width()) << where;
        EXPECT_GE(shown->height(), shown->sizeHint().height()) << where;

        const QString file = QDir(screenshotFolder())
                                 .filePath(QStringLiteral("main-%1-%2.png")
                                               .arg(language, QString::fromLatin1(files[tab])));
        EXPECT_TRUE(dlg->grab().save(file)) << file.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, ScreenshotTest, ::testing::Values("en_US", "zh_CN"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return QString::fromLatin1(info.param).left(2).toStdString();
                         });

}  // namespace
}  // namespace quilbo::test
