#include "filelib/filetypes.h"

#include "filelib/defaults.h"

#include "../textlib/texttesting.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <span>

using namespace filelib;

namespace {

const QString customKey = QStringLiteral("AdditionalPlainTextExtensions");

// The custom extensions are read once per process, so they are stored before any test here
// can ask for them.
class FileTypes : public testing::Test {
protected:
    static void SetUpTestSuite() {
        setString(UserDefaults::standardUserDefaults(), QString::fromUtf16(u"myext.\u00dcbx..a-b"),
                  customKey);
    }
    static void TearDownTestSuite() {
        UserDefaults::standardUserDefaults().removeObjectForKey(customKey);
    }
};

struct Decision {
    const char16_t *extension, *type;
    bool expected;
};

QStringView view(const char16_t *s) {
    return s ? QStringView(s) : QStringView();
}

void expectDecisions(bool (*decide)(QStringView, QStringView), std::span<const Decision> rows) {
    for (const Decision &r : rows) {
        EXPECT_EQ(decide(view(r.extension), view(r.type)), r.expected)
            << quoted(QString::fromUtf16(r.extension)) << " " << quoted(QString::fromUtf16(r.type));
    }
}

TEST_F(FileTypes, Lists) {
    const QStringList rich = attributedFileTypes();
    ASSERT_EQ(rich.size(), 39);
    EXPECT_EQ(rich.first(), "'W8BN'");
    EXPECT_EQ(rich.at(19), "WEBARCHIVE");
    EXPECT_EQ(rich.last(), "DOTX");
    EXPECT_EQ(&attributedFileTypes(), &attributedFileTypes());

    EXPECT_EQ(customTextFileTypes(), QStringList({"myext", QString::fromUtf16(u"\u00dcbx")}));
    const QStringList text = textFileTypes();
    ASSERT_EQ(text.size(), 4 + 246 + 4);
    EXPECT_EQ(text.mid(0, 6), QStringList({"'TERO'", "'TEXT'", "'ttro'", "'sEXT'", "tex", "TEX"}));
    EXPECT_EQ(text.at(4 + 2 * 39 + 1), "AGENTSET");
    EXPECT_EQ(text.count("TAB"), 2);
    EXPECT_EQ(text.at(4 + 245), "FOUNTAIN");
    EXPECT_EQ(text.mid(250), QStringList({"myext", "MYEXT", QString::fromUtf16(u"\u00dcbx"),
                                          QString::fromUtf16(u"\u00dcBX")}));

    EXPECT_EQ(openOfficeFileTypes().size(), 8);
    EXPECT_EQ(wordFileTypes().size(), 14);
    EXPECT_EQ(wordFileTypes().last(), "'W8BN'");
    EXPECT_EQ(rtfFileTypes().last(), "'RTF '");
    EXPECT_EQ(textClippingTypes(), QStringList({"textClipping", "clipping", "'clpt'"}));
}

TEST_F(FileTypes, RichText) {
    const Decision rich[] = {
        {u"TXT", u"'ttro'", true},   {u"txt", nullptr, false},       {u"Text", u"'sEXT'", true},
        {u"txt", u"'TEXT'", false},  {u"html", u"'TEXT'", false},    {u"HtMl", nullptr, true},
        {nullptr, u"'w8bn'", false}, {nullptr, u"'W8BN'", true},     {u"", u"'W8TN'", true},
        {u"rtfd", u"", true},        {u"WebArchive", nullptr, true}, {u"md", u"'RTF '", false},
        {u"'w8bn'", nullptr, false}, {u"md", u"XML", false},         {nullptr, nullptr, false}};
    expectDecisions(isAttributedExtension, rich);
}

TEST_F(FileTypes, EmbeddedNul) {
    EXPECT_FALSE(isAttributedExtension(QStringView(u"htm\0", 4)));
    EXPECT_FALSE(isTextExtension(QStringView(u"txt\0", 4)));
    EXPECT_TRUE(isTextExtension(QStringView(u"zip\0", 4), u"'TEXT'"));
    EXPECT_TRUE(isTextExtension(QStringView(u"\0", 1), u"'TEXT'"));
    EXPECT_FALSE(isRTFExtension({}, QStringView(u"'RTF\0'", 6)));
}

TEST_F(FileTypes, PlainText) {
    const Decision plain[] = {{u"txt", nullptr, true},
                              {u"AgentSet", nullptr, true},
                              {u"SCRIPTTERMINOLOGY", nullptr, true},
                              {u"hlp", nullptr, true},
                              {u"hlp", u"'TEXT'", true},
                              {u"zip", u"'TEXT'", false},
                              {u"zipx", u"'TEXT'", true},
                              {u"", u"'TERO'", true},
                              {nullptr, u"'sEXT'", true},
                              {u"PS", u"'ttro'", false},
                              {u"ai", u"'TEXT'", false},
                              {u"docx", nullptr, false},
                              {u"docx", u"'text'", false},
                              {u"docx", u"'TEXT' ", false},
                              {u"MyExt", nullptr, true},
                              {u"\u00fcBX", nullptr, true},
                              {u"a-b", nullptr, false},
                              {nullptr, nullptr, false}};
    expectDecisions(isTextExtension, plain);
}

TEST_F(FileTypes, OtherKinds) {
    const auto openOffice = [](QStringView e, QStringView) { return isOpenOfficeExtension(e); };
    const Decision openOfficeRows[] = {{u"odt", nullptr, true},
                                       {u"SxW", nullptr, true},
                                       {u"odtx", nullptr, false},
                                       {u"od", nullptr, false},
                                       {nullptr, nullptr, false}};
    expectDecisions(openOffice, openOfficeRows);
    const Decision word[] = {{u"DoCx", nullptr, true},   {u"dot", nullptr, true},
                             {u"docxx", nullptr, false}, {u"do", nullptr, false},
                             {nullptr, u"'W8TN'", true}, {u"txt", u"'w8tn'", false}};
    expectDecisions(isWordExtension, word);
    EXPECT_TRUE(isWordExtension(u"DOTM"));
    EXPECT_FALSE(isWordExtension(QStringView()));
    const Decision rtf[] = {{u"rtf", nullptr, true},     {u"RtFd", nullptr, true},
                            {u"rtfx", nullptr, false},   {nullptr, u"'RTF '", true},
                            {nullptr, u"'rtf '", false}, {u"", u"'sEXT'", true}};
    expectDecisions(isRTFExtension, rtf);
    const Decision clipping[] = {{u"TEXTCLIPPING", nullptr, true},
                                 {u"clipping", nullptr, true},
                                 {u"clip", nullptr, false},
                                 {nullptr, u"'clpt'", true}};
    expectDecisions(isTextClippingExtension, clipping);
}

TEST_F(FileTypes, Paths) {
    QTemporaryDir dir;
    QFile file(dir.filePath("notes.RTF"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(typeCodeOfFile(file.fileName()).isNull());
    const struct {
        QString path;
        bool rich, text, openOffice, word, rtf, clipping;
    } rows[] = {{file.fileName(), true, false, false, false, true, false},
                {"/a/b.txt/", false, true, false, false, false, false},
                {"/a.odt/file", false, false, false, false, false, false},
                {"letter.DOCX", true, false, false, true, false, false},
                {"~/x.sxw", true, false, true, false, false, false},
                {"/tmp/.clipping", false, false, false, false, false, true},
                {"", false, false, false, false, false, false},
                {QString(), false, false, false, false, false, false}};
    for (const auto &r : rows) {
        SCOPED_TRACE(quoted(r.path));
        EXPECT_EQ(isAttributedFile(r.path), r.rich);
        EXPECT_EQ(isTextFile(r.path), r.text);
        EXPECT_EQ(isOpenOfficeFile(r.path), r.openOffice);
        EXPECT_EQ(isWordFile(r.path), r.word);
        EXPECT_EQ(isRTFFile(r.path), r.rtf);
        EXPECT_EQ(isTextClippingFile(r.path), r.clipping);
    }
}

} // namespace
