// The main window: page creation and switching, the link buttons and the banner, the About box
// and the one teardown every end of the window goes through.
#include "app/MainDlg.h"

#include "app/AboutDlg.h"
#include "app/Banner.h"
#include "app/LinkButton.h"
#include "app/ShellArt.h"
#include "app/TabPane.h"
#include "audio/DeviceModel.h"
#include "audio/WaveOutVolume.h"
#include "measuring/MeasurementService.h"
#include "pages/FrequencyPage.h"
#include "pages/MeasurePage.h"
#include "pages/OutputChoice.h"
#include "pages/RunInPage.h"
#include "pages/SpeakersPage.h"
#include "pages/StatementPage.h"
#include "res/QuilboConfig.h"
#include "ui_MainDlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QTabBar>

#include <utility>

namespace quilbo {

CMainDlg::CMainDlg(MainDlgServices services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMainDlg>()), m_services(std::move(services)) {
    m_services.urlOpener = orSystemUrlOpener(std::move(m_services.urlOpener));
    // A fixed frame with a minimise box: an ordinary window, since window managers give dialogs
    // no minimise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    m_ui->setupUi(this);
    m_linkMaker = m_ui->maker_1026;
    m_linkPartner = m_ui->partner_1025;
    m_tab = m_ui->tab_1019;
    OnInitDialog();
}

CMainDlg::~CMainDlg() {
    OnClose();
}

void CMainDlg::OnInitDialog() {
    // The title art keeps to the left, leaving its white end to the link buttons.
    m_ui->titleBanner->setPicture(titleBanner(), Qt::AlignLeft);
    m_ui->adBanner_1032->setPicture(advertisementBanner());
    // The hand shows exactly while the pointer is over the banner. The banner takes no clicks:
    // its mouse events reach this window, which decides on the release.
    m_ui->adBanner_1032->setCursor(Qt::PointingHandCursor);

    m_linkPartner->setText(QString::fromUtf8(config::kPartnerCaption));
    m_linkMaker->setText(QString::fromUtf8(config::kMakerCaption));
    connect(m_linkPartner, &QPushButton::clicked, this, &CMainDlg::OnPartnerLink);
    connect(m_linkMaker, &QPushButton::clicked, this, &CMainDlg::OnMakerLink);

    // The tab strip is no tab stop; a click still gives it the focus.
    m_tab->tabBar()->setFocusPolicy(Qt::ClickFocus);

    QWidget* frame = m_ui->pageFrame_1021;
    // One choice of output for the pages that offer one; the Run In page keeps the default.
    auto* outputChoice = new OutputChoice(m_services.outputs, this);
    // One measurement at a time, whichever page asks for it.
    m_measurementService = new MeasurementService(m_services.recorder, this);
    m_pFrequencyPage = new CFrequencyPage(m_services.waveOut, m_services.sleepInhibitor, frame);
    m_pFrequencyPage->setOutputChoice(outputChoice);
    addPage(m_pFrequencyPage, tr("Frequency"), true);

    m_pRunInPage = new CRunInPage(m_services.waveOut, m_services.volume, m_services.powerOff,
                                  m_services.sleepInhibitor, frame);
    if (m_services.clock) {
        m_pRunInPage->setCalendarClock(m_services.clock);
    }
    // "Exit quilbo" is asked for from inside the page's own tick: the end must come later.
    m_pRunInPage->setQuitRequest([this](int status) { requestEnd(status); });
    m_pRunInPage->setMeasurementService(m_measurementService);
    addPage(m_pRunInPage, tr("Run In"), false);

    m_pSpeakersPage = new CSpeakersPage(m_services.waveOut, m_services.sinkLayouts, frame);
    m_pSpeakersPage->setOutputChoice(outputChoice);
    m_pSpeakersPage->setMeasurementService(m_measurementService);
    m_pSpeakersPage->setSoundServer(m_services.soundServer);
    addPage(m_pSpeakersPage, tr("Speakers"), false);

    m_pMeasurePage = new CMeasurePage(m_measurementService, frame);
    m_pMeasurePage->setOutputChoice(outputChoice);
    m_pMeasurePage->setSinkLayouts(m_services.sinkLayouts);
    m_pMeasurePage->setSoundServer(m_services.soundServer);
    addPage(m_pMeasurePage, tr("Measure"), false);
    // The level match's trims go to the Measure page's next correction (pages do not know each
    // other).
    connect(m_pSpeakersPage, &CSpeakersPage::levelTrimsOffered, m_pMeasurePage,
            &CMeasurePage::useLevelTrims);
    if (m_services.devices != nullptr) {
        // The output lists follow the model through the output choice; the inputs here. A
        // hidden page reads them when it is shown.
        connect(m_services.devices, &DeviceModel::changed, m_pMeasurePage, [this] {
            if (m_pMeasurePage->isVisible()) {
                m_pMeasurePage->refreshInputs();
            }
        });
    }

    m_pStatementPage = new CStatementPage(m_services.urlOpener, frame);
    addPage(m_pStatementPage, tr("Licence"), false);

    m_tab->tabBar()->setCurrentIndex(FrequencyTab);
    connect(m_tab->tabBar(), &QTabBar::currentChanged, this, [this] { OnSelChangeTab(); });

    // The keyboard starts in the page, not on a link button, where Enter would end the program.
    m_pFrequencyPage->setFocus(Qt::OtherFocusReason);

    auto* about = new QShortcut(QKeySequence::HelpContents, this);
    connect(about, &QShortcut::activated, this, &CMainDlg::OnAbout);
}

void CMainDlg::addPage(QWidget* page, const QString& tabText, bool shown) {
    // Every page sits at the same place in the frame, which is as large as the largest page.
    QSizePolicy policy = page->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    page->setSizePolicy(policy);
    static_cast<QGridLayout*>(m_ui->pageFrame_1021->layout())->addWidget(page, 0, 0);
    page->setVisible(shown);
    m_tab->addTab(tabText);
}

QWidget* CMainDlg::control(int id) const {
    // The pages' controls have identifiers of their own.
    const QString suffix = QStringLiteral("_%1").arg(id);
    const QWidget* frame = m_ui->pageFrame_1021;
    for (QWidget* widget : findChildren<QWidget*>()) {
        const bool inPage = widget != frame && frame->isAncestorOf(widget);
        if (!inPage && widget->objectName().endsWith(suffix)) {
            return widget;
        }
    }
    return nullptr;
}

TabPane* CMainDlg::tabPane() const {
    return m_tab;
}

void CMainDlg::OnSelChangeTab() {
    const int selection = m_tab->tabBar()->currentIndex();
    QWidget* pages[] = {m_pFrequencyPage, m_pRunInPage, m_pSpeakersPage, m_pMeasurePage,
                        m_pStatementPage};
    for (QWidget* page : pages) {
        if (page != nullptr) {
            page->hide();
        }
    }
    if (selection >= 0 && selection < static_cast<int>(std::size(pages)) &&
        pages[selection] != nullptr) {
        pages[selection]->show();
    }
}

void CMainDlg::OnPartnerLink() {
    m_services.urlOpener(QUrl(QString::fromUtf8(config::kPartnerUrl)));
}

void CMainDlg::OnMakerLink() {
    m_services.urlOpener(QUrl(QString::fromUtf8(config::kMakerUrl)));
}

void CMainDlg::OnAbout() {
    showAboutBox(this);
}

void CMainDlg::OnClose() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    // Every player first, so that no completion notice from the output can reach a page that is
    // gone; then the volume notices, which would otherwise reach the Run In page.
    if (m_pRunInPage != nullptr) {
        m_pRunInPage->OnStop();
    }
    if (m_pFrequencyPage != nullptr) {
        m_pFrequencyPage->OnStop();
    }
    if (m_pSpeakersPage != nullptr) {
        m_pSpeakersPage->OnStop();
    }
    if (m_pMeasurePage != nullptr) {
        m_pMeasurePage->OnStop();
        m_pMeasurePage->setLive(false);  // its input closed, its threads joined
    }
    if (m_services.volume != nullptr) {
        m_services.volume->SetChangeCallback(nullptr, nullptr);
    }
    // A measurement's sweep fades out, and its result reaches no page: the service goes first.
    delete std::exchange(m_measurementService, nullptr);
    // Children of the page frame: deleting one takes it out of the frame.
    delete std::exchange(m_pRunInPage, nullptr);
    delete std::exchange(m_pFrequencyPage, nullptr);
    delete std::exchange(m_pSpeakersPage, nullptr);
    delete std::exchange(m_pMeasurePage, nullptr);
    delete std::exchange(m_pStatementPage, nullptr);
}

void CMainDlg::done(int result) {
    // Never inside a render: the page that renders would be destroyed under it. The render's
    // session holds the window's close and every tick that could end it until it has returned.
    OnClose();
    QDialog::done(result);
}

void CMainDlg::requestEnd(int status) {
    m_exitStatus = status;
    if (m_endPending) {
        return;
    }
    m_endPending = true;
    QMetaObject::invokeMethod(
        this, [this] { endWhenUnblocked(); }, Qt::QueuedConnection);
}

void CMainDlg::endWhenUnblocked() {
    // A message box, the About box or a menu runs its own event loop, possibly from inside a
    // page's handler: close it and try again once that loop (and the handler) has returned.
    QWidget* blocker = QApplication::activePopupWidget();
    if (blocker == nullptr && QApplication::activeModalWidget() != this) {
        blocker = QApplication::activeModalWidget();
    }
    if (blocker != nullptr) {
        if (auto* dialog = qobject_cast<QDialog*>(blocker)) {
            dialog->reject();
        } else {
            blocker->close();
        }
        QMetaObject::invokeMethod(
            this, [this] { endWhenUnblocked(); }, Qt::QueuedConnection);
        return;
    }
    m_endPending = false;
    done(Accepted);
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    const bool cancel = event->matches(QKeySequence::Cancel);
    const bool enter =
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() == Qt::NoModifier ||
         (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter));
    if (!cancel && !enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Escape and Enter end the window only from its own controls; inside a page they are the
    // page's keys and never end the program.
    QWidget* focus = focusWidget();
    if (focus != nullptr && m_ui->pageFrame_1021->isAncestorOf(focus)) {
        event->accept();
        return;
    }
    if (cancel) {
        reject();
    } else {
        accept();
    }
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* about = menu.addAction(tr("&About Quilbo..."));
    if (menu.exec(event->globalPos()) == about) {
        OnAbout();
    }
}

QRect CMainDlg::adBannerRect() const {
    const QWidget* banner = m_ui->adBanner_1032;
    return QRect(banner->mapTo(this, QPoint(0, 0)), banner->size());
}

void CMainDlg::mouseReleaseEvent(QMouseEvent* event) {
    // Only the release counts: the press may have been anywhere on the window.
    if (event->button() == Qt::LeftButton && adBannerRect().contains(event->position().toPoint())) {
        m_services.urlOpener(QUrl(QString::fromUtf8(config::kAdvertiserUrl)));
    }
    QDialog::mouseReleaseEvent(event);
}

void CMainDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange && m_tab != nullptr) {
        retranslate();
    }
    QDialog::changeEvent(event);
}

void CMainDlg::retranslate() {
    m_tab->setTabText(FrequencyTab, tr("Frequency"));
    m_tab->setTabText(RunInTab, tr("Run In"));
    m_tab->setTabText(SpeakersTab, tr("Speakers"));
    m_tab->setTabText(MeasureTab, tr("Measure"));
    m_tab->setTabText(StatementTab, tr("Licence"));
}

}  // namespace quilbo

#include "moc_MainDlg.cpp"
