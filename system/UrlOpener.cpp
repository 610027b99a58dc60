// The system's URL opener.
#include "system/UrlOpener.h"

#include <QDesktopServices>

namespace quilbo {

UrlOpener systemUrlOpener() {
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

UrlOpener orSystemUrlOpener(UrlOpener opener) {
    return opener ? std::move(opener) : systemUrlOpener();
}

}  // namespace quilbo
