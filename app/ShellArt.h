// The pictures the shell carries in the Qt resources (res/shell.qrc).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace quilbo {

// The 465 x 70 title banner at the top of the main window.
QPixmap titleBanner();
// The 465 x 70 advertisement banner at the foot of the main window.
QPixmap advertisementBanner();
// The application icon in every size the resources hold (16 to 256 pixels).
QIcon appIcon();

}  // namespace quilbo
