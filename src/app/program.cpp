#include "program.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString version_text(const QString& program)
{
    //: The text of --version: %1 is the program's name, %2 its version.
    return QCoreApplication::translate("Program",
                                       "%1 %2\n"
                                       "Copyright (C) 2026 The Tallyhouse developers\n"
                                       "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                                       "This is free software: you are free to change and redistribute it.\n"
                                       "There is NO WARRANTY, to the extent permitted by law.\n")
        .arg(program, QStringLiteral(TALLYHOUSE_VERSION));
}

QStringList user_languages(const QProcessEnvironment& env)
{
    QString locale;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = env.value(QLatin1String(variable));
        if (!locale.isEmpty())
            break;
    }
    auto bare = [](QString name) { return name.section(u'.', 0, 0).section(u'@', 0, 0); };
    locale = bare(locale);
    if (locale.isEmpty() || locale == QLatin1String("C") || locale == QLatin1String("POSIX"))
        return {};
    QStringList languages;
    for (const QString& language : env.value(QStringLiteral("LANGUAGE")).split(u':', Qt::SkipEmptyParts))
        languages << bare(language);
    if (languages.isEmpty())
        languages << locale;
    return languages;
}

QStringList translation_folders()
{
    return {QStringLiteral(":/i18n")};
}

namespace {

bool is_english(const QString& language)
{
    return language == QLatin1String("C") || language == QLatin1String("POSIX") || language.startsWith(QLatin1String("en"));
}

// The program's catalogue for locale from the first of folders that has
// one, or nullptr.
QTranslator* catalogue(QCoreApplication& app, const QLocale& locale, const QStringList& folders)
{
    auto* own = new QTranslator(&app);
    for (const QString& folder : folders) {
        // es_ES finds tallyhouse_es_ES.qm, else tallyhouse_es.qm.
        if (own->load(locale, QStringLiteral("tallyhouse"), QStringLiteral("_"), folder))
            return own;
    }
    delete own;
    return nullptr;
}

}  // namespace

QString install_translations(QCoreApplication& app, const QStringList& languages, const QStringList& folders)
{
    for (const QString& language : languages) {
        if (is_english(language))
            break;
        QTranslator* own = catalogue(app, QLocale(language), folders);
        if (!own)
            continue;
        QCoreApplication::installTranslator(own);
        auto* qt = new QTranslator(&app);
        if (qt->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
        return own->language();
    }
    // English: the texts as written, and English's plural forms.
    if (QTranslator* plurals = catalogue(app, QLocale(QLocale::English), folders))
        QCoreApplication::installTranslator(plurals);
    return {};
}
