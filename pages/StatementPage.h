// CStatementPage: the Licence tab, a read-only HTML view of the statement document carried in the
// program's resources.
#pragma once

#include <QString>
#include <QWidget>

#include "system/UrlOpener.h"

class QTextBrowser;

namespace quilbo {

// Resource path of the statement document (res/shell.qrc).
inline constexpr char kStatementDocumentPath[] = ":/quilbo/LICENCE.HTM";

class CStatementPage : public QWidget {
    Q_OBJECT

public:
    // Loads the document at documentPath once, here; a document that cannot be read leaves the
    // view empty and says nothing. Links go to opener (the system's browser when empty).
    explicit CStatementPage(
        UrlOpener opener = {}, QWidget* parent = nullptr,
        const QString& documentPath = QString::fromLatin1(kStatementDocumentPath));

    QTextBrowser* browser() const { return m_browser; }

private:
    void openLink(const QUrl& url) const;

    QTextBrowser* m_browser;
    UrlOpener m_opener;
};

}  // namespace quilbo
