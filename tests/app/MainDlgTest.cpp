// The main window on fakes: its make-up, tab switching behind which the pages go on, the web
// pages it opens, where the hand cursor shows, the statement loaded once, and the About box.
#include "MainWindowFixture.h"

#include "app/AboutDlg.h"
#include "app/Banner.h"
#include "app/LinkButton.h"
#include "res/QuilboConfig.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTextBrowser>

#include <functional>

namespace quilbo::test {
namespace {

using MainDlgTest = MainWindowFixture;

QRect geometryIn(const QWidget* widget, const QWidget* window) {
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

TEST_F(MainDlgTest, OneFixedCentredWindowWithBannersAroundTheTabsAndThePagesInOrder) {
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Quilbo V1.1"));
    EXPECT_EQ(dlg->minimumSize(), dlg->maximumSize());
    const QPoint centre = dlg->screen()->availableGeometry().center();
    EXPECT_LE((dlg->frameGeometry().center() - centre).manhattanLength(), 2);

    // Top to bottom: title banner (with the two links in its top right corner, one above the
    // other), tab strip, advertisement banner.
    const QRect title =
        geometryIn(dlg->findChild<Banner*>(QStringLiteral("titleBanner")), dlg.get());
    const QRect tabs = geometryIn(dlg->tabPane(), dlg.get());
    const QRect ad = geometryIn(control<QWidget>(dlg.get(), CMainDlg::IDC_AD_BANNER), dlg.get());
    EXPECT_EQ(title.top(), 0);
    EXPECT_LE(title.bottom(), tabs.top());
    EXPECT_LE(tabs.bottom(), ad.top());
    EXPECT_EQ(ad.bottom(), dlg->height() - 1);
    const QRect partner =
        geometryIn(control<QWidget>(dlg.get(), CMainDlg::IDC_PARTNER_LINK), dlg.get());
    const QRect maker =
        geometryIn(control<QWidget>(dlg.get(), CMainDlg::IDC_MAKER_LINK), dlg.get());
    EXPECT_TRUE(title.contains(partner) && title.contains(maker));
    EXPECT_GT(partner.left(), title.center().x());
    EXPECT_LT(partner.bottom(), maker.top());

    ASSERT_EQ(tabBar()->count(), 3);
    EXPECT_EQ(tabBar()->tabText(0), QStringLiteral("Frequency"));
    EXPECT_EQ(tabBar()->tabText(1), QStringLiteral("Run In"));
    EXPECT_EQ(tabBar()->tabText(2), QStringLiteral("Licence"));
    EXPECT_EQ(tabBar()->currentIndex(), 0);

    // Created in order in the page frame, the first one shown; each initialised on creation: the
    // Run In page listens to the volume and ticks, the statement is loaded, though both hidden.
    QWidget* frame = control<QWidget>(dlg.get(), CMainDlg::IDC_PAGE_FRAME);
    const QList<QWidget*> pages = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const QList<QWidget*> expected = {dlg->frequencyPage(), dlg->runInPage(), dlg->statementPage()};
    EXPECT_EQ(pages, expected);
    EXPECT_TRUE(dlg->frequencyPage()->isVisible());
    EXPECT_TRUE(dlg->runInPage()->isHidden() && dlg->statementPage()->isHidden());
    EXPECT_EQ(volume.callbackContext(), dlg->runInPage());
    EXPECT_TRUE(dlg->runInPage()->tickTimer()->isActive());
    EXPECT_EQ(dlg->statementPage()->browser()->documentTitle(), QStringLiteral("QUILBO"));
    // The keyboard starts inside the Frequency page, where Enter ends nothing.
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    EXPECT_TRUE(dlg->frequencyPage()->isAncestorOf(QApplication::focusWidget()));
}

TEST_F(MainDlgTest, TabSwitchesShowOnePageWhileBothPlayersAndTheCountdownGoOn) {
    playBoth();
    QSignalSpy changes(tabBar(), &QTabBar::currentChanged);

    // Clicks on the tab already selected (the repeated ones) change nothing at all.
    const int clicks[] = {1, 1, 2, 0, 0, 0, 2, 1};
    for (int index : clicks) {
        clickTab(index);
        ASSERT_EQ(tabBar()->currentIndex(), index);
        EXPECT_EQ(dlg->frequencyPage()->isVisible(), index == 0) << index;
        EXPECT_EQ(dlg->runInPage()->isVisible(), index == 1) << index;
        EXPECT_EQ(dlg->statementPage()->isVisible(), index == 2) << index;
        EXPECT_TRUE(dlg->frequencyPage()->isPlaying() && dlg->runInPage()->isPlaying()) << index;
        EXPECT_TRUE(dlg->runInPage()->isRunning()) << index;
        EXPECT_TRUE(dlg->runInPage()->tickTimer()->isActive()) << index;
    }
    EXPECT_EQ(changes.count(), 5);

    // Behind the statement page both devices are still refilled as they return pieces, and the
    // session still counts.
    clickTab(2);
    for (int device : {1, 2}) {
        const auto writes = waveOut.device(device).callsOf(FakeWaveOut::Op::Write).size();
        ASSERT_TRUE(waveOut.device(device).completeNext());
        QCoreApplication::processEvents();
        EXPECT_EQ(waveOut.device(device).callsOf(FakeWaveOut::Op::Write).size(), writes + 1)
            << device;
    }
    now = kEpoch + 3 * 3600 + 25 * 60 + 7;
    dlg->runInPage()->OnTimer();
    EXPECT_EQ(control<QLabel>(dlg->runInPage(), CRunInPage::IDC_ELAPSED)->text(),
              QStringLiteral("03:25:07"));
    EXPECT_EQ(waveOut.opens(), 2);
    EXPECT_EQ(teardownOf(log), EventLog{});
}

TEST_F(MainDlgTest, StatementIsLoadedOnceAndNotAgainOnTabSwitches) {
    QTextBrowser* browser = dlg->statementPage()->browser();
    QTextDocument* document = browser->document();
    const QString text = browser->toPlainText();
    ASSERT_FALSE(text.isEmpty());
    QSignalSpy contents(document, &QTextDocument::contentsChanged);
    QSignalSpy sources(browser, &QTextBrowser::sourceChanged);
    for (int index : {2, 0, 2, 1, 2}) {
        clickTab(index);
    }
    EXPECT_EQ(contents.count() + sources.count(), 0);
    EXPECT_EQ(browser->document(), document);
    EXPECT_EQ(browser->toPlainText(), text);
}

TEST_F(MainDlgTest, LinkButtonsAndBannerOpenTheirAddressesThroughTheOpener) {
    QTest::mouseClick(control<QWidget>(dlg.get(), CMainDlg::IDC_PARTNER_LINK), Qt::LeftButton);
    QTest::mouseClick(control<QWidget>(dlg.get(), CMainDlg::IDC_MAKER_LINK), Qt::LeftButton);
    QWidget* banner = control<QWidget>(dlg.get(), CMainDlg::IDC_AD_BANNER);
    QTest::mouseClick(banner, Qt::LeftButton);
    // Other buttons over the banner, and a press on it released elsewhere, open nothing.
    QTest::mouseClick(banner, Qt::RightButton);
    QTest::mouseClick(banner, Qt::MiddleButton);
    QTest::mousePress(banner, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(banner, Qt::LeftButton, {}, QPoint(5, -40));

    const std::vector<QUrl> expected = {QUrl(QString::fromUtf8(config::kPartnerUrl)),
                                        QUrl(QString::fromUtf8(config::kMakerUrl)),
                                        QUrl(QString::fromUtf8(config::kAdvertiserUrl))};
    EXPECT_EQ(opened, expected);
    EXPECT_TRUE(opened[0].path() == QStringLiteral("/quilbo.htm") &&
                opened[1].path() == QStringLiteral("/quilbo.htm"));
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainDlgTest, BannerReleaseCountsOnTheLeftAndTopEdgesButNotOnTheRightAndBottom) {
    const QRect r = geometryIn(control<QWidget>(dlg.get(), CMainDlg::IDC_AD_BANNER), dlg.get());
    const QPoint right(r.x() + r.width(), r.y() + 10);
    const QPoint bottom(r.x() + 10, r.y() + r.height());
    struct Case {
        QPoint at;
        bool opens;
    };
    const Case cases[] = {
        {r.topLeft(), true},
        {QPoint(r.x() - 1, r.y() + 10), false},
        {QPoint(r.x() + 10, r.y() - 1), false},
        {right - QPoint(1, 0), true},
        {right, false},
        {bottom - QPoint(0, 1), true},
        {bottom, false},
        {QPoint(r.x() + r.width() - 1, r.y() + r.height() - 1), true},
    };
    for (const Case& c : cases) {
        opened.clear();
        // The release the window gets after a press anywhere on its surface.
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(c.at), dlg->mapToGlobal(c.at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(dlg.get(), &release);
        EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.at.x() << "," << c.at.y();
    }
}

TEST_F(MainDlgTest, HandCursorOnlyOverTheBannerAndTheLinkButtons) {
    QWidget* partner = control<QWidget>(dlg.get(), CMainDlg::IDC_PARTNER_LINK);
    QWidget* maker = control<QWidget>(dlg.get(), CMainDlg::IDC_MAKER_LINK);
    QTest::mouseMove(partner);
    QTest::mouseMove(maker);
    const QRect hands[] = {
        geometryIn(control<QWidget>(dlg.get(), CMainDlg::IDC_AD_BANNER), dlg.get()),
        geometryIn(partner, dlg.get()), geometryIn(maker, dlg.get())};
    for (int tab : {0, 1, 2}) {
        clickTab(tab);
        int handPoints = 0;
        for (int y = 0; y < dlg->height(); y += 3) {
            for (int x = 0; x < dlg->width(); x += 3) {
                const QPoint at(x, y);
                QWidget* under = dlg->childAt(at);
                const QWidget* shows = under != nullptr ? under : dlg.get();
                const bool hand = shows->cursor().shape() == Qt::PointingHandCursor;
                const bool expected = std::any_of(std::begin(hands), std::end(hands),
                                                  [&](const QRect& r) { return r.contains(at); });
                ASSERT_EQ(hand, expected) << "tab " << tab << " at " << x << "," << y;
                handPoints += hand ? 1 : 0;
            }
        }
        EXPECT_GT(handPoints, 0);
    }
}

// Runs check on the modal window that opens next, then closes it.
void onNextModal(const std::function<void(QWidget*)>& check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        check(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    });
}

TEST_F(MainDlgTest, AboutBoxOpensFromF1AndFromTheContextMenuWhileThePagesGoOn) {
    playBoth();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    int shown = 0;
    const auto whileOpen = [&](QWidget* modal) {
        ASSERT_NE(qobject_cast<CAboutDlg*>(modal), nullptr);
        EXPECT_TRUE(modal->isModal());
        ++shown;
        // Behind it, a returned piece is still replaced and the session still counts.
        const auto writes = waveOut.device(2).callsOf(FakeWaveOut::Op::Write).size();
        waveOut.device(2).completeNext();
        QCoreApplication::processEvents();
        EXPECT_EQ(waveOut.device(2).callsOf(FakeWaveOut::Op::Write).size(), writes + 1);
        EXPECT_TRUE(dlg->frequencyPage()->isPlaying());
        EXPECT_TRUE(dlg->runInPage()->tickTimer()->isActive());
    };

    onNextModal(whileOpen);
    QTest::keyClick(dlg->frequencyPage()->control(CFrequencyPage::IDC_WAVE), Qt::Key_F1);
    EXPECT_EQ(shown, 1);

    // Right-click on the title banner: the window's menu, whose one item opens the box.
    QString itemText;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        QAction* item = menu->actions().first();
        itemText = item->text();
        onNextModal(whileOpen);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    });
    QWidget* title = dlg->findChild<Banner*>(QStringLiteral("titleBanner"));
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(20, 20),
                                 title->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(title, &rightClick);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(itemText, QStringLiteral("&About Quilbo..."));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->isClosed());
}

}  // namespace
}  // namespace quilbo::test
