// Loads every embedded catalogue for the chosen language; one per area of the program.
#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>
#include <vector>

namespace quilbo {

namespace {
// Translators stay installed for the life of the application; they are owned here so that a
// language switch (in tests) can remove them again.
std::vector<std::unique_ptr<QTranslator>>& installedTranslators() {
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}
}  // namespace

bool isChineseLocale(const QLocale& locale) {
    return locale.language() == QLocale::Chinese || locale.name().startsWith(QLatin1String("zh"));
}

void installTranslations(const QLocale& locale) {
    auto& translators = installedTranslators();
    for (auto& translator : translators) {
        QCoreApplication::removeTranslator(translator.get());
    }
    translators.clear();
    if (!isChineseLocale(locale)) {
        return;
    }

    const QString suffix = QStringLiteral("_zh_CN.qm");
    const QDir catalogues(QStringLiteral(":/i18n"));
    for (const QString& file : catalogues.entryList({QStringLiteral("*") + suffix}, QDir::Files)) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(catalogues.filePath(file))) {
            QCoreApplication::installTranslator(translator.get());
            translators.push_back(std::move(translator));
        }
    }
    auto qtTranslator = std::make_unique<QTranslator>();
    if (qtTranslator->load(QStringLiteral("qtbase_zh_CN"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qtTranslator.get());
        translators.push_back(std::move(qtTranslator));
    }
}

}  // namespace quilbo
