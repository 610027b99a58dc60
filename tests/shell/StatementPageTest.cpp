// CStatementPage: the document it loads (title, style, six numbered paragraphs, the help-page
// links), loading once, and links that go to the URL opener instead of the tab.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <vector>

#include "pages/StatementPage.h"
#include "res/QuilboConfig.h"

namespace {

const QUrl kPartnerUrl(QString::fromUtf8(quilbo::config::kPartnerUrl));
const QUrl kMakerUrl(QString::fromUtf8(quilbo::config::kMakerUrl));
const QColor kStatementGrey(0x66, 0x66, 0x66);

struct Link {
    QString href;
    QTextCharFormat format;
    int position;  // document position of the link's first character
    int length;
};

std::vector<Link> linksOf(const QTextDocument& document) {
    std::vector<Link> links;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isAnchor()) {
                links.push_back({fragment.charFormat().anchorHref(), fragment.charFormat(),
                                 fragment.position(), fragment.length()});
            }
        }
    }
    return links;
}

class StatementPageTest : public ::testing::Test {
protected:
    quilbo::UrlOpener recorder() {
        return [this](const QUrl& url) { m_opened.push_back(url); };
    }

    std::vector<QUrl> m_opened;
};

TEST_F(StatementPageTest, LoadsTheStatementDocumentOnce) {
    CStatementPage page(recorder());
    const QTextDocument& document = *page.browser()->document();
    EXPECT_EQ(document.metaInformation(QTextDocument::DocumentTitle), QStringLiteral("QUILBO"));
    EXPECT_TRUE(page.browser()->isReadOnly());
    const QString text = document.toPlainText();
    // Read as UTF-8: the Chinese lines arrive intact.
    EXPECT_TRUE(text.contains(QStringLiteral("煲箱"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("PulseAudio")));
    EXPECT_TRUE(text.contains(QStringLiteral("PipeWire")));
    EXPECT_FALSE(text.contains(QStringLiteral("@QUILBO_")));
    EXPECT_FALSE(document.toHtml().contains(QStringLiteral("@QUILBO_")));

    // Loaded once at construction: showing the page again and again changes nothing.
    const int revision = document.revision();
    const QString html = document.toHtml();
    for (int i = 0; i < 3; ++i) {
        page.show();
        QCoreApplication::processEvents();
        page.hide();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(page.browser()->document(), &document);
    EXPECT_EQ(document.revision(), revision);
    EXPECT_EQ(document.toHtml(), html);
}

TEST_F(StatementPageTest, HasSixNumberedParagraphsInGreyNinePoint) {
    CStatementPage page(recorder());
    const QTextDocument& document = *page.browser()->document();
    const QRegularExpression numbered(QStringLiteral("^([0-9]+)\\. "));
    std::vector<int> numbers;
    QTextBlock lastNumbered;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const auto match = numbered.match(block.text());
        if (!match.hasMatch()) {
            continue;
        }
        numbers.push_back(match.captured(1).toInt());
        lastNumbered = block;
        const QTextCharFormat format = block.begin().fragment().charFormat();
        EXPECT_EQ(format.foreground().color(), kStatementGrey) << block.text().toStdString();
        EXPECT_DOUBLE_EQ(format.fontPointSize(), 9.0);
        EXPECT_FALSE(format.fontUnderline());
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // The last paragraph is the history heading and nothing follows it.
    ASSERT_TRUE(lastNumbered.isValid());
    EXPECT_TRUE(lastNumbered.text().contains(QStringLiteral("History")));
    EXPECT_LT(lastNumbered.text().size(), 30);
    for (QTextBlock block = lastNumbered.next(); block.isValid(); block = block.next()) {
        EXPECT_TRUE(block.text().trimmed().isEmpty()) << block.text().toStdString();
    }
}

TEST_F(StatementPageTest, LinksToBothHelpPagesWithoutUnderline) {
    CStatementPage page(recorder());
    const std::vector<Link> links = linksOf(*page.browser()->document());
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(QUrl(links[0].href), kPartnerUrl);
    EXPECT_EQ(QUrl(links[1].href), kMakerUrl);
    for (const Link& link : links) {
        EXPECT_EQ(link.format.foreground().color(), kStatementGrey);
        EXPECT_FALSE(link.format.fontUnderline());
    }
}

TEST_F(StatementPageTest, FollowedLinkGoesToOpenerAndPageStays) {
    CStatementPage page(recorder());
    page.resize(480, 300);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QTextBrowser* browser = page.browser();
    const int revision = browser->document()->revision();
    const QString html = browser->toHtml();

    const std::vector<Link> links = linksOf(*browser->document());
    ASSERT_EQ(links.size(), 2u);
    for (const Link& link : links) {
        QTextCursor cursor(browser->document());
        cursor.setPosition(link.position + link.length / 2);
        browser->setTextCursor(cursor);
        browser->ensureCursorVisible();
        const QPoint point = browser->cursorRect(cursor).center();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
    }
    // From the keyboard: Tab inside the view moves to the first link, Enter follows it.
    browser->moveCursor(QTextCursor::Start);
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    EXPECT_EQ(m_opened, (std::vector<QUrl>{kPartnerUrl, kMakerUrl, kPartnerUrl}));
    EXPECT_TRUE(browser->source().isEmpty());
    EXPECT_EQ(browser->document()->revision(), revision);
    EXPECT_EQ(browser->toHtml(), html);
}

TEST_F(StatementPageTest, MissingDocumentLeavesAnEmptyViewSilently) {
    CStatementPage page(recorder(), nullptr, QStringLiteral(":/quilbo/no-such-document.htm"));
    page.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(page.browser()->document()->isEmpty());
    EXPECT_TRUE(page.browser()->toPlainText().isEmpty());
    EXPECT_TRUE(m_opened.empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
