// Chooses the interface language and installs the compiled catalogues embedded under :/i18n/.
#pragma once

#include <QLocale>

namespace quilbo {

// True when the interface should be Simplified Chinese for this locale (any zh* locale).
bool isChineseLocale(const QLocale& locale);

// Installs Quilbo's own catalogues (and Qt's, for standard buttons) for the given locale on the
// running application. English needs no catalogue; any earlier Quilbo catalogues are removed first.
void installTranslations(const QLocale& locale);

}  // namespace quilbo
