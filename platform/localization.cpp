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
    static QTranslator translator;
    const QString folder = dataPath(QStringLiteral("translations"));
    if (folder.isEmpty())
        return;
    if (translator.load(QLocale(), QStringLiteral("sumwise"), QStringLiteral("_"), folder))
        QCoreApplication::installTranslator(&translator);
}
