// The main window and the application object on fakes: tabs behind which both pages go on, the
// web pages it opens, the About box, every way it ends (both pages' sound stopped, Run In first,
// before any page goes), keys inside a page that end nothing, and its pictures in both languages
// with no text cut off.
#include "app/BurnInApp.h"
#include "app/QuilboConfig.h"
#include "app/TabPane.h"
#include "pages/StatementPage.h"
#include "res/Translations.h"
#include "tests/support/PageFixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QTabBar>
#include <QTextBrowser>
#include <QUrl>
#include <QWindow>

#include <functional>

namespace quilbo::test {
namespace {

// Every end of the window, in this order, when the Frequency page played on device n and the
// session on the next.
EventLog teardownOf(int n = 1) {
    const std::string f = std::to_string(n), r = std::to_string(n + 1);
    return {"reset " + r, "close " + r, "reset " + f, "close " + f, "volume off",
            "destroyed Run In", "destroyed Frequency", "destroyed statement"};
}

class MainWindow : public PageTest {
protected:
    std::vector<QUrl> opened;
    std::unique_ptr<CMainDlg> dlg;

    MainDlgServices services() {
        waveOut.log = &log;
        volume.log = &log;
        return {&waveOut, &volume, &powerOff, [this] { return now; },
                [this](const QUrl& url) { opened.push_back(url); }};
    }
    void SetUp() override {
        dlg = std::make_unique<CMainDlg>(services());
        watch(*dlg);
        dlg->show();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    }
    void TearDown() override { dlg.reset(); }

    void watch(CMainDlg& window) {
        const std::pair<QObject*, const char*> pages[] = {{window.frequencyPage(), "Frequency"},
                                                          {window.runInPage(), "Run In"},
                                                          {window.statementPage(), "statement"}};
        for (const auto& [page, name] : pages) {
            QObject::connect(page, &QObject::destroyed,
                             [this, name] { log.push_back(std::string("destroyed ") + name); });
        }
    }
    // The log from the first reset on, each step at its first occurrence.
    EventLog teardown() const {
        EventLog steps;
        auto it = std::find_if(log.begin(), log.end(), [](auto& e) { return e[0] == 'r'; });
        for (; it != log.end(); ++it) {
            if (std::find(steps.begin(), steps.end(), *it) == steps.end()) {
                steps.push_back(*it);
            }
        }
        return steps;
    }
    static void playBoth(CMainDlg& window) {
        type(*window.frequencyPage(), CFrequencyPage::IDC_TIME, "1");
        ctl(*window.frequencyPage(), CFrequencyPage::IDC_REPEAT)->setChecked(true);
        click(*window.frequencyPage(), CFrequencyPage::IDC_PLAY);
        click(*window.runInPage(), CRunInPage::IDC_RUN_IN);
    }
public:
    // Ends the session with "Exit quilbo" from inside the page's tick.
    void exitAtTheEndOfTheSession(CMainDlg& window) {
        type(*window.runInPage(), CRunInPage::IDC_HOURS, "1");
        ctl(*window.runInPage(), CRunInPage::IDC_EXIT_PROGRAM)->setChecked(true);
        now += 2 * kHour + 1;
        window.runInPage()->OnTimer();
    }
protected:
    void clickTab(int index) {
        QTabBar* bar = dlg->tabPane()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
};

TEST_F(MainWindow, TabsShowOnePageWhileBothPagesPlayAndTheSessionCounts) {
    playBoth(*dlg);
    ASSERT_TRUE(dlg->frequencyPage()->isPlaying() && dlg->runInPage()->isPlaying());
    // Every page was made ready when the window was, shown or not.
    EXPECT_TRUE(volume.listening());
    EXPECT_FALSE(dlg->statementPage()->browser()->toPlainText().isEmpty());
    for (int index : {1, 1, 2, 0, 2}) {
        clickTab(index);
        EXPECT_EQ(dlg->frequencyPage()->isVisible(), index == 0) << index;
        EXPECT_EQ(dlg->runInPage()->isVisible(), index == 1) << index;
        EXPECT_EQ(dlg->statementPage()->isVisible(), index == 2) << index;
    }
    for (int device : {1, 2}) {
        const auto writes = waveOut.written(device).size();
        ASSERT_TRUE(waveOut.completeNext(device));
        QCoreApplication::processEvents();
        EXPECT_EQ(waveOut.written(device).size(), writes + 1) << device;
    }
    now += 3 * kHour + 25 * 60 + 7;
    QTRY_COMPARE_WITH_TIMEOUT(ctl<QLabel>(*dlg->runInPage(), CRunInPage::IDC_ELAPSED)->text(),
                              QString("03:25:07"), 20000);
    EXPECT_TRUE(teardown().empty());
}

TEST_F(MainWindow, LinksBannerAndStatementOpenTheirAddressesAndNothingElseDoes) {
    QWidget* banner = dlg->control(CMainDlg::IDC_AD_BANNER);
    QTest::mouseClick(dlg->control(CMainDlg::IDC_PARTNER_LINK), Qt::LeftButton);
    QTest::mouseClick(dlg->control(CMainDlg::IDC_MAKER_LINK), Qt::LeftButton);
    QTest::mouseClick(banner, Qt::LeftButton);
    QTest::mouseClick(banner, Qt::RightButton);
    QTest::mousePress(banner, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(banner, Qt::LeftButton, {}, QPoint(5, -40));  // let go elsewhere
    // A link of the statement followed from the keyboard goes to the browser, not into the page.
    clickTab(CMainDlg::StatementTab);
    QTextBrowser* browser = dlg->statementPage()->browser();
    const QString text = browser->toPlainText();
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    const QUrl partner(QString::fromUtf8(config::kPartnerUrl));
    EXPECT_EQ(opened, (std::vector<QUrl>{partner, QUrl(QString::fromUtf8(config::kMakerUrl)),
                                         QUrl(QString::fromUtf8(config::kAdvertiserUrl)),
                                         partner}));
    EXPECT_EQ(browser->toPlainText(), text);
    EXPECT_FALSE(dlg->isClosed());
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

TEST_F(MainWindow, TheAboutBoxOpensFromF1AndTheMenuWhileThePagesGoOn) {
    playBoth(*dlg);
    int shown = 0;
    const auto whileOpen = [&](QWidget* modal) {
        ASSERT_NE(modal, nullptr);
        EXPECT_NE(modal, dlg.get());
        ++shown;
        const auto writes = waveOut.written(2).size();
        waveOut.completeNext(2);
        QCoreApplication::processEvents();
        EXPECT_EQ(waveOut.written(2).size(), writes + 1) << "the noise stopped behind the box";
    };
    onNextModal(whileOpen);
    QTest::keyClick(dlg->frequencyPage()->control(CFrequencyPage::IDC_WAVE), Qt::Key_F1);
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        onNextModal(whileOpen);
        QAction* item = menu->actions().first();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(20, 20),
                                 dlg->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(dlg.get(), &rightClick);
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(dlg->isClosed());
    EXPECT_TRUE(dlg->runInPage()->isPlaying());
}

void keyOn(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    widget->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(widget, key, modifiers);
}

struct EndPath {
    const char* name;
    std::function<void(MainWindow&, CMainDlg&)> end;
};

class WindowEnd : public MainWindow, public ::testing::WithParamInterface<EndPath> {};

TEST_P(WindowEnd, StopsBothPagesThenDestroysThemAndNothingRunsAfter) {
    playBoth(*dlg);
    GetParam().end(*this, *dlg);
    QTRY_VERIFY_WITH_TIMEOUT(dlg->isClosed(), 20000);  // ends from inside a page come later
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->runInPage(), nullptr);
    EXPECT_EQ(dlg->exitStatus(), 0);
    EXPECT_EQ(teardown(), teardownOf());
    for (int device : {1, 2}) {
        EXPECT_FALSE(waveOut.isOpen(device));
        EXPECT_EQ(waveOut.completeAll(device), 0);
    }
    const std::size_t steps = log.size();
    volume.changeFromOutside(1234);
    now += 10 * kHour;
    QTest::qWait(50);
    EXPECT_EQ(log.size(), steps);
    EXPECT_EQ(powerOff.requests, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Every, WindowEnd,
    ::testing::Values(
        EndPath{"CloseBox", [](MainWindow&, CMainDlg& w) { w.close(); }},
        EndPath{"AltF4", [](MainWindow&, CMainDlg& w) { w.windowHandle()->close(); }},
        EndPath{"EscapeOnTheTabs",
                [](MainWindow&, CMainDlg& w) { keyOn(w.tabPane()->tabBar(), Qt::Key_Escape); }},
        EndPath{"EscapeOnALink",
                [](MainWindow&, CMainDlg& w) {
                    keyOn(w.control(CMainDlg::IDC_PARTNER_LINK), Qt::Key_Escape);
                }},
        EndPath{"EnterOnALink",
                [](MainWindow&, CMainDlg& w) {
                    keyOn(w.control(CMainDlg::IDC_MAKER_LINK), Qt::Key_Return);
                }},
        EndPath{"KeypadEnterOnTheTabs",
                [](MainWindow&, CMainDlg& w) {
                    keyOn(w.tabPane()->tabBar(), Qt::Key_Enter, Qt::KeypadModifier);
                }},
        EndPath{"EndOfTheRunIn",
                [](MainWindow& t, CMainDlg& w) {
                    t.exitAtTheEndOfTheSession(w);
                    EXPECT_NE(w.runInPage(), nullptr) << "the page must outlive its own tick";
                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, KeysInsideAPageEndNothingAndEnterClicksTheFocusedButton) {
    playBoth(*dlg);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        keyOn(dlg->frequencyPage()->control(CFrequencyPage::IDC_WAVE), key);
        keyOn(dlg->frequencyPage()->control(CFrequencyPage::IDC_TIME), key);
        keyOn(dlg->runInPage()->control(CRunInPage::IDC_HOURS), key);
        keyOn(dlg->statementPage()->browser(), key);
    }
    EXPECT_FALSE(dlg->isClosed());
    EXPECT_TRUE(dlg->frequencyPage()->isPlaying() && dlg->runInPage()->isPlaying());
    keyOn(dlg->frequencyPage()->control(CFrequencyPage::IDC_STOP), Qt::Key_Return);
    EXPECT_FALSE(dlg->frequencyPage()->isPlaying());
    EXPECT_FALSE(dlg->isClosed());
}

// The application object runs the window modally; during runs inside its event loop.
class Program : public MainWindow {
protected:
    void SetUp() override {}
    int runProgram(const std::function<void(CMainDlg&)>& during) {
        CBurnInApp app(services());
        QTimer::singleShot(0, [&] {
            watch(*app.mainWindow());
            during(*app.mainWindow());
        });
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.mainWindow(), nullptr);
        return app.exitStatus();
    }
};

TEST_F(Program, EndsWithStatusZeroAfterTheTeardownHoweverItsModalRunEnds) {
    EXPECT_EQ(runProgram([this](CMainDlg& w) {
                  playBoth(w);
                  exitAtTheEndOfTheSession(w);
              }),
              0);
    EXPECT_EQ(teardown(), teardownOf(1));
    log.clear();
    runProgram([](CMainDlg& w) {  // hidden from elsewhere: not the window's own end
        playBoth(w);
        w.hide();
    });
    EXPECT_EQ(teardown(), teardownOf(3));
}

TEST_F(Program, ASessionEndWhileAPageMessageIsOpenClosesTheMessageFirst) {
    QString box;
    runProgram([&](CMainDlg& w) {
        click(*w.runInPage(), CRunInPage::IDC_RUN_IN);
        waveOut.openResult = WaveResult::NoDevice;
        QTimer::singleShot(0, [&] {
            auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(message, nullptr);
            box = message->windowTitle() + '|' + message->text();
            EXPECT_EQ(message->icon(), QMessageBox::Warning);
            EXPECT_EQ(message->parentWidget(), w.frequencyPage());
            exitAtTheEndOfTheSession(w);
        });
        click(*w.frequencyPage(), CFrequencyPage::IDC_PLAY);
        log.push_back("message closed");
    });
    EXPECT_EQ(box, "Quilbo|" + CFrequencyPage::openFailedText());
    EXPECT_EQ(teardown(), (EventLog{"reset 1", "close 1", "message closed", "volume off",
                                    "destroyed Run In", "destroyed Frequency",
                                    "destroyed statement"}));
}

// Pictures of the window on each tab in both languages, into QUILBO_SCREENSHOT_DIR when it is
// set (the README's are docs/screenshots/): every text has the room it asks for.
TEST_F(MainWindow, EveryTabInBothLanguagesFitsASmallScreenWithNoTextCutOff) {
    const QString folder = qEnvironmentVariable("QUILBO_SCREENSHOT_DIR");
    for (const char* language : {"en", "zh"}) {
        installTranslations(QLocale(QString::fromLatin1(language)));
        dlg = std::make_unique<CMainDlg>(services());
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        click(*dlg->runInPage(), CRunInPage::IDC_RUN_IN);
        now += kHour + 23 * 60 + 45;  // a session an hour and a half in
        dlg->runInPage()->OnTimer();
        EXPECT_LE(dlg->frameGeometry().width(), 1024);
        EXPECT_LE(dlg->frameGeometry().height(), 740);
        const char* tabs[] = {"frequency", "runin", "licence"};
        for (int tab = 0; tab < 3; ++tab) {
            clickTab(tab);
            QCoreApplication::processEvents();
            for (QWidget* w : dlg->findChildren<QWidget*>()) {
                auto* label = qobject_cast<QLabel*>(w);
                const bool box = qobject_cast<QGroupBox*>(w) != nullptr;
                const QSize need = box ? w->minimumSizeHint()
                                       : w->minimumSizeHint().expandedTo(w->sizeHint());
                if (w->isVisible() && (box || qobject_cast<QAbstractButton*>(w) ||
                                       qobject_cast<QComboBox*>(w) || qobject_cast<QTabBar*>(w) ||
                                       (label && label->pixmap().isNull()))) {
                    EXPECT_TRUE(w->width() >= need.width() && w->height() >= need.height())
                        << language << " " << tabs[tab] << ": " << w->objectName().toStdString();
                }
            }
            if (!folder.isEmpty()) {
                dlg->grab().save(QDir(folder).filePath(
                    QStringLiteral("main-%1-%2.png").arg(language, tabs[tab])));
            }
        }
    }
    installTranslations(QLocale(QLocale::English));
}

}  // namespace
}  // namespace quilbo::test
