// The statement page: reads the document from the resources, fills in the build's help-page
// addresses and hands every clicked link to the URL opener instead of following it.
#include "pages/StatementPage.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "res/QuilboConfig.h"

namespace quilbo {

namespace {

// The document names the help pages by placeholder, so that it follows the build's addresses.
QString readStatement(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString html = QString::fromUtf8(file.readAll());
    html.replace(QLatin1String("@QUILBO_PARTNER_URL@"),
                 QString::fromUtf8(config::kPartnerUrl).toHtmlEscaped());
    html.replace(QLatin1String("@QUILBO_MAKER_URL@"),
                 QString::fromUtf8(config::kMakerUrl).toHtmlEscaped());
    return html;
}

}  // namespace

CStatementPage::CStatementPage(UrlOpener opener, QWidget* parent, const QString& documentPath)
    : QWidget(parent),
      m_browser(new QTextBrowser(this)),
      m_opener(orSystemUrlOpener(std::move(opener))) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);

    // A link must never replace the document inside the tab: the browser only reports the click.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &CStatementPage::openLink);

    const QString html = readStatement(documentPath);
    if (!html.isEmpty()) {
        m_browser->setHtml(html);
    }
}

void CStatementPage::openLink(const QUrl& url) const {
    m_opener(url);
}

}  // namespace quilbo

#include "moc_StatementPage.cpp"
