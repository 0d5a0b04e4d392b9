#include "localization.h"

#include "resources.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

// The context under which every key of the default table is translated.
static constexpr char DefaultTable[] = "Localizable";

QString localizedString(const char *key) {
    return QCoreApplication::translate(DefaultTable, key);
}

void installTranslations() {
    const QString folder = dataPath(QStringLiteral("translations"));
    if (folder.isEmpty())
        return;
    // English spells out the symbolic keys for every language without a table of its own;
    // the user's language, installed last, is asked first.
    static QTranslator english;
    if (english.load(QStringLiteral("sumwise_en"), folder))
        QCoreApplication::installTranslator(&english);
    static QTranslator user;
    if (user.load(QLocale(), QStringLiteral("sumwise"), QStringLiteral("_"), folder)
        && user.filePath() != english.filePath())
        QCoreApplication::installTranslator(&user);
}
