#include "localization.h"

#include "resources.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

#include <map>
#include <memory>

namespace platform {

// The context under which every key of the default table is translated.
static constexpr char DefaultTable[] = "Localizable";

namespace {

// English spells out the symbolic keys for every language without a table of its own; the
// table of the languages in use, installed last, is asked first. Tables once loaded stay
// loaded, so requests switching between languages read no file twice.
struct Translations {
    QString folder;
    QTranslator english;
    std::map<QString, std::unique_ptr<QTranslator>> loaded; // by file
    QTranslator *installed = nullptr;
    QStringList languages; // those in use
};

Translations &translations() {
    static Translations t;
    return t;
}

// Requests name their languages; a name that is no language tag is no file name either.
bool isLanguageTag(const QString &tag) {
    if (tag.isEmpty() || tag.size() > 35)
        return false;
    for (const QChar c : tag) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'_')
            return false;
    }
    return true;
}

// The table file for the first of languages that has one, trying "de_DE" then "de".
QString tableFor(const QString &folder, const QStringList &languages) {
    // A request could name thousands; the user's first few are what counts.
    for (const QString &language : languages.mid(0, 16)) {
        if (!isLanguageTag(language))
            continue;
        QString name = QString(language).replace(u'-', u'_');
        while (!name.isEmpty()) {
            for (const QString &candidate : {name, name.toLower()}) {
                const QString file =
                    folder + QStringLiteral("/sumwise_") + candidate + QStringLiteral(".qm");
                if (QFileInfo::exists(file))
                    return file;
            }
            name.truncate(std::max<qsizetype>(name.lastIndexOf(u'_'), 0));
        }
    }
    return {};
}

void useLanguages(const QStringList &languages) {
    Translations &t = translations();
    t.languages = languages;
    if (t.folder.isEmpty())
        return;
    QTranslator *wanted = nullptr;
    const QString file = tableFor(t.folder, languages);
    if (!file.isEmpty() && file != t.english.filePath()) {
        std::unique_ptr<QTranslator> &table = t.loaded[file];
        if (!table) {
            table = std::make_unique<QTranslator>();
            if (!table->load(file))
                table.reset();
        }
        wanted = table.get();
    }
    if (wanted == t.installed)
        return;
    if (t.installed)
        QCoreApplication::removeTranslator(t.installed);
    if (wanted)
        QCoreApplication::installTranslator(wanted);
    t.installed = wanted;
}

} // namespace

QString localizedString(const char *key) {
    return QCoreApplication::translate(DefaultTable, key);
}

void installTranslations() {
    Translations &t = translations();
    // An application object of this process made before this one took its translators along.
    QCoreApplication::removeTranslator(&t.english);
    if (t.installed)
        QCoreApplication::removeTranslator(t.installed);
    t.installed = nullptr;
    t.folder = dataPath(QStringLiteral("translations"));
    if (t.folder.isEmpty())
        return;
    if (!t.english.isEmpty() || t.english.load(QStringLiteral("sumwise_en"), t.folder))
        QCoreApplication::installTranslator(&t.english);
    useLanguages(QLocale().uiLanguages());
}

RequestLocale processLocale() {
    QString numbers = qEnvironmentVariable("LC_ALL");
    if (numbers.isEmpty())
        numbers = qEnvironmentVariable("LC_NUMERIC");
    if (numbers.isEmpty())
        numbers = qEnvironmentVariable("LANG");
    if (numbers.isEmpty())
        numbers = QStringLiteral("C");
    return {numbers, QLocale::system().uiLanguages()};
}

LocaleScope::LocaleScope(const RequestLocale &locale)
    : m_locale(QLocale())
    , m_languages(translations().languages) {
    QLocale::setDefault(QLocale(locale.numbers.isEmpty() ? QStringLiteral("C") : locale.numbers));
    useLanguages(locale.languages);
}

LocaleScope::~LocaleScope() {
    // A copy of the system locale keeps asking the system, as before the scope.
    QLocale::setDefault(m_locale);
    useLanguages(m_languages);
}

} // namespace platform
