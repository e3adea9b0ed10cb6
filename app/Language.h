#pragma once
// The language of the program's texts. Chinese is the source language and
// what the program shows unless the operator's UI language is English.
#include <QString>

class QCoreApplication;

enum class UiLanguage { Chinese, English };

// The language that the environment's settings ask for: the first entry of
// LANGUAGE, else LC_ALL, LC_MESSAGES or LANG, whichever is set first. "en"
// or "en_*" gives English; anything else, C and POSIX included, Chinese.
UiLanguage uiLanguageFrom(const QString& language, const QString& lcAll, const QString& lcMessages,
                          const QString& lang);
UiLanguage uiLanguage();

// Installs the program's own translation (English only) and Qt's texts of
// the language (file dialogs, message-box buttons). Safe to call again: the
// translators installed before are replaced.
void installTranslations(QCoreApplication& app, UiLanguage language);
// Removes what installTranslations() installed: the source texts again.
void removeTranslations(QCoreApplication& app);
