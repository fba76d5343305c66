#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QCoreApplication;

// What tallyhouse and tallyhouse-mkdb share outside the window: the text
// of --version, and the translations of the user's language.

// The text --version prints: the program, the version the build sets, the
// licence.
QString version_text(const QString& program);

// The languages the user reads, best first, as gettext takes them: the list
// in LANGUAGE, unless the locale is C or POSIX; then the first of LC_ALL,
// LC_MESSAGES and LANG that is set. Encodings and modifiers are taken off
// ("es_ES.UTF-8" gives "es_ES").
QStringList user_languages(const QProcessEnvironment& env);

// The folders that hold the program's catalogues: those compiled into it
// (:/i18n), so that a program copied alone speaks its user's language.
QStringList translation_folders();

// Installs on app the program's catalogue for the first of languages that
// has one in folders, and Qt's own catalogue in the same language (the
// buttons of message boxes, the file dialogs). English, C and POSIX, or a
// language without a catalogue before any other, keep the texts as they
// are written, with English's plural forms ("1 customer"). Returns the
// language installed, or "" for English.
QString install_translations(QCoreApplication& app, const QStringList& languages, const QStringList& folders);
