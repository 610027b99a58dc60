// The quilbo program: one window showing the Frequency page, playing through PulseAudio.
#include "audio/PulseWaveOut.h"
#include "pages/FrequencyPage.h"
#include "res/ResourceInit.h"
#include "res/Translations.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quilbo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quilbo"));
    quilbo::initResources();
    quilbo::installTranslations(QLocale::system());

    // Declared before the page so that it outlives every playback the page starts.
    quilbo::PulseWaveOut backend;
    quilbo::CFrequencyPage page(&backend);
    page.setWindowTitle(QStringLiteral("Quilbo V1.1"));
    // Leaving the program stops the sound first, so no completion reaches a page that is gone.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &page, [&page] { page.OnStop(); });
    page.show();
    return QApplication::exec();
}
