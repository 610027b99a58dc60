// The seam through which the program opens web pages in the system's browser; tests inject their
// own opener to record the addresses.
#pragma once

#include <QUrl>

#include <functional>

namespace quilbo {

// Opens an address outside the program. It reports nothing: a page that cannot be opened leaves
// the program as it was.
using UrlOpener = std::function<void(const QUrl&)>;

// The opener the program uses: QDesktopServices::openUrl, outcome ignored.
UrlOpener systemUrlOpener();

// Returns opener, or the system's opener when opener is empty, so that a holder can always call it.
UrlOpener orSystemUrlOpener(UrlOpener opener);

}  // namespace quilbo
