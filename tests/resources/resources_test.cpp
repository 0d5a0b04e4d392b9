// The compiled translations and the help document, as the program finds them in the data
// folder share/sumwise.

#include <QFile>
#include <QString>
#include <QTranslator>

#include <gtest/gtest.h>

#include <string_view>

using namespace std::literals;

namespace {

constexpr char Context[] = "Localizable";

QString dataFile(const char *relativePath) {
    return QStringLiteral(SUMWISE_BUILD_DATADIR "/") + QString::fromUtf8(relativePath);
}

// Loads share/sumwise/translations/sumwise_<language>.qm.
void loadTranslation(QTranslator &translator, const char *language) {
    const QString path = dataFile("translations/sumwise_") + QString::fromLatin1(language) + ".qm";
    ASSERT_TRUE(translator.load(path)) << path.toStdString();
}

// Every text that the user can see, looked up with the English text or a symbolic key.
constexpr const char *UserVisibleKeys[] = {"Syntax error",   "Division by zero",
                                           "Undefined",      "Overflow",
                                           "SERVICE_LAUNCH", "Quit",
                                           "Help",           "OK",
                                           "Copy",           "Formula",
                                           "Result",         "Never ask me again",
                                           "Sumwise",        "Sumwise cannot calculate this"};

// Which German texts are right is seen where they are shown (the program's and the service's
// tests).
TEST(ResourceTranslations, GermanHasAnEntryForEveryUserVisibleText) {
    QTranslator german;
    loadTranslation(german, "de");
    // An empty answer means the entry is missing or unfinished; the key would show.
    for (const char *key : UserVisibleKeys)
        EXPECT_FALSE(german.translate(Context, key).isEmpty()) << key;
    EXPECT_EQ(german.translate(Context, "Sumwise"), u"Sumwise");
    EXPECT_NE(german.translate(Context, "Quit"), u"Quit");
    EXPECT_NE(german.translate(Context, "Copy"), u"Copy");
}

// The launch panel uses the text as a format without values.
TEST(ResourceTranslations, LaunchTextIsSpelledOutWithoutFormatDirectives) {
    for (const char *language : {"en", "de"}) {
        QTranslator translator;
        loadTranslation(translator, language);
        const QString text = translator.translate(Context, "SERVICE_LAUNCH");
        EXPECT_TRUE(text.contains(u"Sumwise") && !text.contains(u'%')) << language;
        // English texts are their own keys: the table must not rename them.
        EXPECT_TRUE(language != "en"sv || translator.translate(Context, "Syntax error").isEmpty());
    }
}

TEST(ResourceHelp, ReadMeIsAPdfDocument) {
    QFile pdf(dataFile("help/Read Me.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << pdf.fileName().toStdString();
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    // The guide runs over several pages; an empty document is a few hundred bytes.
    EXPECT_GT(bytes.size(), 10000);
}

} // namespace
