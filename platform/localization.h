// Looking up user-visible texts in the installed translations.
#pragma once

#include <QString>

/// The translation of key in the application's default table; key itself when there is none.
QString localizedString(const char *key);

/// Loads the translation for the user's UI languages from the data folder, if one exists.
/// Needs a QCoreApplication.
void installTranslations();
