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
                                                      {QUrl(), nullptr},
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
const char BinaryWebloc[] =
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd2\x01\x02\x03\x04\x54\x4e\x61\x6d\x65\x53\x55\x52\x4c"
    "\x64\x00\x43\x00\x61\x00\x66\x00\xe9\x6f\x10\x19\x00\x68\x00\x74\x00\x74\x00\x70\x00\x73"
    "\x00\x3a\x00\x2f\x00\x2f\x00\x65\x00\x78\x00\x61\x00\x6d\x00\x70\x00\x6c\x00\x65\x00\x2e"
    "\x00\x63\x00\x6f\x00\x6d\x00\x2f\x00\xe4\x00\x3f\x00\x71\x00\x3d\x00\x31\x08\x0d\x12\x16"
    "\x1f\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x54";

using InternetLocationFiles = TempFolderTest;

TEST_F(InternetLocationFiles, ReadsBothForms) {
    // File name, content, the address and the title read.
    const std::tuple<const char *, QByteArray, const char16_t *, const char16_t *> rows[] = {
        {"bin.webloc", QByteArray(BinaryWebloc, sizeof BinaryWebloc - 1),
         u"https://example.com/\u00E4?q=1", u"Caf\u00E9"},
        {"xml.inetloc", "<plist><dict><key>URL</key><string>http://a.org/</string></dict></plist>",
         u"http://a.org/", nullptr},
        {"number.webloc", "<plist><dict><key>URL</key><integer>1</integer></dict></plist>", nullptr,
         nullptr},
        {"crlf.url", "[InternetShortcut]\r\nURL=http://a.org/\r\nIconIndex=0\r\n", u"http://a.org/",
         nullptr},
        {"empty.url", "URL=\n", u"", nullptr},
        {"one.url", "\xEF\xBB\xBF  http://c.org  ", u"http://c.org", nullptr},
        // Shortcuts are a line or two: a bigger file is something else.
        {"huge.url", "URL=http://a.org/" + QByteArray((1 << 20) - 16, ' '), nullptr, nullptr},
        {"shortcut.webloc", "[InternetShortCut]\nURL=http://a.org\n", nullptr, nullptr}};
    for (const auto &[name, content, address, title] : rows) {
        const QString path = put(name, content);
        QString read = QStringLiteral("stale");
        const QString found = resolveInternetLocation(path, &read);
        EXPECT_EQ(found, address ? QString::fromUtf16(address) : QString()) << name;
        EXPECT_EQ(found.isNull(), address == nullptr) << name;
        EXPECT_EQ(read, title ? QString::fromUtf16(title) : QString()) << name;
    }
    QDir(dir.path()).mkdir("folder.url");
    EXPECT_TRUE(resolveInternetLocation(p("folder.url")).isNull());
}

TEST_F(InternetLocationFiles, WritesBothForms) {
    const QString webloc = p("a.webloc"), url = p("a.url");
    ASSERT_TRUE(createInternetLocation(QUrl("http://a.org/\u00E4 b"), webloc));
    EXPECT_EQ(resolveInternetLocation(webloc), "http://a.org/%C3%A4%20b");
    // Line breaks cannot end the address early, nor add a line of their own.
    ASSERT_TRUE(createURL(QString("http://a.org/\r\nURL=http://b.org/\u2028x"), url));
    EXPECT_EQ(read("a.url"),
              "[InternetShortCut]\nURL=http://a.org/%0D%0AURL=http://b.org/%E2%80%A8x\n");
    for (const QVariant &address : {QVariant(42), QVariant(QString::fromUtf8("a\0b", 3))})
        EXPECT_FALSE(createInternetLocation(address, p("r.webloc")));
    EXPECT_FALSE(there("r.webloc") || createURL(QUrl(), url)
                 || createURL(QString("http://a.org"), p("no/a.url")));
}
