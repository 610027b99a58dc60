// Loads the shell's pictures from the resources.
#include "app/ShellArt.h"

namespace quilbo {

QPixmap titleBanner() {
    return QPixmap(QStringLiteral(":/quilbo/title-banner.png"));
}

QPixmap advertisementBanner() {
    return QPixmap(QStringLiteral(":/quilbo/ad-banner.png"));
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/quilbo/icons/quilbo-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace quilbo
