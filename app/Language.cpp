#include "Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

UiLanguage uiLanguageFrom(const QString& language, const QString& lcAll, const QString& lcMessages,
                          const QString& lang)
{
    QString chosen = language.section(QLatin1Char(':'), 0, 0);
    for (const QString& next : {lcAll, lcMessages, lang})
        if (chosen.isEmpty())
            chosen = next;
    const bool english = chosen == QLatin1String("en") || chosen.startsWith(QLatin1String("en_")) ||
                         chosen.startsWith(QLatin1String("en."));
    return english ? UiLanguage::English : UiLanguage::Chinese;
}

UiLanguage uiLanguage()
{
    return uiLanguageFrom(qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_ALL"),
                          qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG"));
}

namespace {
std::unique_ptr<QTranslator> qtTexts;
std::unique_ptr<QTranslator> ownTexts;
} // namespace

void removeTranslations(QCoreApplication& app)
{
    for (auto* old : {qtTexts.get(), ownTexts.get()})
        if (old)
            app.removeTranslator(old);
}

void installTranslations(QCoreApplication& app, UiLanguage language)
{
    removeTranslations(app);
    qtTexts = std::make_unique<QTranslator>();
    ownTexts = std::make_unique<QTranslator>();
    const QString qtDir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (language == UiLanguage::English) {
        // Qt's own texts are English already; only the program's change.
        if (ownTexts->load(QStringLiteral(":/i18n/trawler_en.qm")))
            app.installTranslator(ownTexts.get());
        return;
    }
    if (qtTexts->load(QStringLiteral("qtbase_zh_CN"), qtDir))
        app.installTranslator(qtTexts.get());
}
