#include "filelib/internetlocations.h"

#include "filetesting.h"

#include <QUrl>

using namespace filelib;

TEST(InternetLocations, TypesAndExtensions) {
    const std::tuple<const char *, const char *, bool> rows[] = {
        {"WebLoc", "", true}, {"", "'LINK'", true}, {"", "'link'", false}, {"urls", "", false}};
    for (const auto &[extension, type, expected] : rows)
        EXPECT_EQ(isInternetLocationExtension(QString(extension), QString(type)), expected)
            << extension << " " << type;
    EXPECT_TRUE(isInternetLocationFile("/x/Home.WEBLOC") && !isInternetLocationFile("/x/url"));
}

TEST(InternetLocations, ExtensionForAnAddress) {
    const std::pair<QVariant, const char *> rows[] = {{QUrl("HTTPS://a.org"), "webloc"},
                                                      {QUrl::fromLocalFile("/a"), "fileloc"},
                                                      {QUrl("gopher://h"), "inetloc"},
                                                      {QString("VNC://h"), "vncloc"},
                                                      {QByteArray("http://a.org"), nullptr}};
    for (const auto &[address, expected] : rows) {
        const QString extension = pathExtensionForInternetLocation(address);
        EXPECT_EQ(extension, QString::fromUtf8(expected)) << address.toString().toStdString();
        EXPECT_EQ(extension.isNull(), expected == nullptr);
    }
}

// Written by Python's plistlib: {"Name": "Café", "URL": "https://example.com/ä?q=1"}.
const QByteArray BinaryWebloc = QByteArray::fromBase64(
    "YnBsaXN0MDDSAQIDBFROYW1lU1VSTGQAQwBhAGYA6W8QGQBoAHQAdABwAHMAOgAvAC8AZQB4AGEAbQBwAGwAZQAuAGMA"
    "bwBtAC8A5AA/AHEAPQAxCA0SFh8AAAAAAAABAQAAAAAAAAAFAAAAAAAAAAAAAAAAAAAAVA==");

using InternetLocationFiles = TempFolderTest;

TEST_F(InternetLocationFiles, ReadsBothForms) {
    // File name, content, the address and the title read.
    const std::tuple<const char *, QByteArray, const char16_t *, const char16_t *> rows[] = {
        {"bin.webloc", BinaryWebloc, u"https://example.com/\u00E4?q=1", u"Caf\u00E9"},
        {"xml.inetloc", "<plist><dict><key>URL</key><string>http://a.org/</string></dict></plist>",
         u"http://a.org/", nullptr},
        {"number.webloc", "<plist><dict><key>URL</key><integer>1</integer></dict></plist>", nullptr,
         nullptr},
        {"crlf.url", "[InternetShortcut]\r\nURL=http://a.org/\r\nIconIndex=0\r\n", u"http://a.org/",
         nullptr},
        {"empty.url", "URL=\n", u"", nullptr},
        {"one.url", "\xEF\xBB\xBF  http://c.org  ", u"http://c.org", nullptr},
        // Shortcuts are a line or two: a bigger file is something else.
        {"huge.url", "URL=http://a.org/" + QByteArray((1 << 20) - 16, ' '), nullptr, nullptr}};
    for (const auto &[name, content, address, title] : rows) {
        const QString path = put(name, content);
        QString read = QStringLiteral("stale");
        const QString found = resolveInternetLocation(path, &read);
        EXPECT_EQ(found, address ? QString::fromUtf16(address) : QString()) << name;
        EXPECT_EQ(found.isNull(), address == nullptr) << name;
        EXPECT_EQ(read, title ? QString::fromUtf16(title) : QString()) << name;
    }
}

TEST_F(InternetLocationFiles, WritesBothForms) {
    const QString webloc = p("a.webloc"), url = p("a.url");
    ASSERT_TRUE(createInternetLocation(QUrl("http://a.org/\u00E4 b"), webloc));
    EXPECT_EQ(resolveInternetLocation(webloc), "http://a.org/%C3%A4%20b");
    // Line breaks cannot end the address early, nor add a line of their own.
    ASSERT_TRUE(createURL(QString("http://a.org/\r\nURL=http://b.org/\u2028x"), url));
    EXPECT_EQ(read("a.url"),
              "[InternetShortCut]\nURL=http://a.org/%0D%0AURL=http://b.org/%E2%80%A8x\n");
    EXPECT_FALSE(createInternetLocation(QString::fromUtf8("a\0b", 3), p("r.webloc")));
    EXPECT_FALSE(there("r.webloc") || createURL(QUrl(), url)
                 || createURL(QString("http://a.org"), p("no/a.url")));
}
