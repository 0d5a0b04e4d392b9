// Looking up user-visible texts in the installed translations, in the user's languages or in
// a request's.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace platform {

/// The translation of key in the application's default table; key itself when there is none.
QString localizedString(const char *key);

/// Loads the translation for the user's UI languages from the data folder, if one exists.
/// Needs a QCoreApplication.
void installTranslations();

/// What numbers and messages of a request follow: the locale of its numbers (a name as
/// LC_NUMERIC holds one, such as "de_DE.UTF-8") and its message languages, best first (as
/// QLocale::uiLanguages() gives them).
struct RequestLocale {
    QString numbers;
    QStringList languages;
};

/// This process's own: numbers from LC_ALL, then LC_NUMERIC, then LANG (as QLocale::system()
/// reads them), messages in the system locale's UI languages.
RequestLocale processLocale();

/// While it lives, QLocale() and the translations follow another locale; what was there before
/// comes back when it ends. Scopes nest. A locale name Qt does not know means "C"; languages
/// without a translation fall back to English. For the GUI thread.
class LocaleScope {
public:
    explicit LocaleScope(const RequestLocale &locale);
    ~LocaleScope();
    LocaleScope(const LocaleScope &) = delete;
    LocaleScope &operator=(const LocaleScope &) = delete;

private:
    QLocale m_locale;
    QStringList m_languages;
};

} // namespace platform
