// The quilbo program: the main window with its four pages, playing through PulseAudio.
#include "app/BurnInApp.h"
#include "app/ShellArt.h"
#include "res/QuilboConfig.h"
#include "res/ResourceInit.h"
#include "res/Translations.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The name doubles as the window class the desktop file matches. No display name is set:
    // the platform would append it to every window title.
    QApplication::setApplicationName(QStringLiteral("Quilbo"));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(quilbo::config::kAppId));
    quilbo::initResources();
    QApplication::setWindowIcon(quilbo::appIcon());
    quilbo::installTranslations(QLocale::system());

    quilbo::CBurnInApp theApp;
    theApp.InitInstance();
    return theApp.exitStatus();
}
