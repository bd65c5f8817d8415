#include "app/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

// What UseLanguage installed, removed again by the next call.
std::unique_ptr<QTranslator> ownTranslation;
std::unique_ptr<QTranslator> qtTranslation;

std::unique_ptr<QTranslator> Installed(const QString& file, const QString& directory)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, directory) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace

std::optional<Language> LanguageNamed(const QString& name)
{
    if (name.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0)
        return Language::Chinese;
    if (name.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
        return Language::English;
    return std::nullopt;
}

Language ChooseLanguage(const std::optional<QString>& commandLine, const QString& setting,
                        const QLocale& locale)
{
    if (commandLine)
        if (const std::optional<Language> chosen = LanguageNamed(*commandLine))
            return *chosen;
    if (const std::optional<Language> chosen = LanguageNamed(setting))
        return *chosen;
    return locale.language() == QLocale::English ? Language::English : Language::Chinese;
}

void UseLanguage(Language language)
{
    ownTranslation.reset();
    qtTranslation.reset();
    // Chinese is the texts' own language, and Qt's standard buttons keep the
    // captions they always had there.
    if (language != Language::English)
        return;
    qtTranslation =
        Installed(QStringLiteral("qtbase_en"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    ownTranslation = Installed(QStringLiteral(":/i18n/scale-config_en.qm"), QString());
}
