#include "filelib/filetypes.h"

#include "filelib/defaults.h"

#include "../textlib/texttesting.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <string_view>

using namespace filelib;
using namespace std::literals;

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

TEST_F(FileTypes, Lists) {
    EXPECT_EQ(attributedFileTypes().last(), "DOTX");
    EXPECT_EQ(customTextFileTypes(), QStringList({"myext", QString::fromUtf16(u"\u00dcbx")}));
    const QStringList text = textFileTypes();
    ASSERT_EQ(text.size(), 4 + 246 + 4);
    EXPECT_EQ(text.mid(0, 6), QStringList({"'TERO'", "'TEXT'", "'ttro'", "'sEXT'", "tex", "TEX"}));
    EXPECT_EQ(text.mid(250), QStringList({"myext", "MYEXT", QString::fromUtf16(u"\u00dcbx"),
                                          QString::fromUtf16(u"\u00dcBX")}));
}

bool openOffice(QStringView e, QStringView) {
    return isOpenOfficeExtension(e);
}

TEST_F(FileTypes, Decisions) {
    // Extensions match only extension entries and type codes only type-code entries, with
    // extensions ignoring case and the length table coming before any comparison.
    const struct {
        bool (*decide)(QStringView, QStringView);
        std::u16string_view extension, type;
        bool expected;
    } rows[] = {{isAttributedExtension, u"TXT", u"'ttro'", true},
                {isAttributedExtension, u"txt", u"'TEXT'", false},
                {isAttributedExtension, {}, u"'w8bn'", false},
                {isAttributedExtension, u"md", u"XML", false},
                {isAttributedExtension, u"htm\0"sv, {}, false},
                {isTextExtension, u"AgentSet", {}, true},
                {isTextExtension, u"zipx", u"'TEXT'", true},
                {isTextExtension, u"PS", u"'ttro'", false},
                {isTextExtension, u"MyExt", {}, true},
                {isTextExtension, u"\u00fcBX", {}, true},
                {isTextExtension, u"a-b", {}, false},
                {isTextExtension, u"\0"sv, u"'TEXT'", true},
                {openOffice, u"SxW", {}, true},
                {isWordExtension, u"DoCx", {}, true},
                {isWordExtension, {}, u"'W8TN'", true},
                {isRTFExtension, u"RtFd", {}, true},
                {isRTFExtension, {}, u"'RTF\0'"sv, false},
                {isTextClippingExtension, u"TEXTCLIPPING", {}, true},
                {isTextClippingExtension, {}, u"'clpt'", true}};
    for (const auto &r : rows) {
        EXPECT_EQ(r.decide(QStringView(r.extension.data(), qsizetype(r.extension.size())),
                           QStringView(r.type.data(), qsizetype(r.type.size()))),
                  r.expected)
            << quoted(r.extension) << " " << quoted(r.type);
    }
}

TEST_F(FileTypes, Paths) {
    QTemporaryDir dir;
    QFile file(dir.filePath("notes.RTF"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(typeCodeOfFile(file.fileName()).isNull());
    // rich, text, OpenOffice, Word, RTF, clipping.
    const std::pair<QString, std::array<bool, 6>> rows[] = {
        {file.fileName(), {true, false, false, false, true, false}},
        {"/a.odt/b.txt/", {false, true, false, false, false, false}},
        {"letter.DOCX", {true, false, false, true, false, false}},
        {"~/x.sxw", {true, false, true, false, false, false}},
        {"/tmp/.clipping", {false, false, false, false, false, true}},
        {QString(), {false, false, false, false, false, false}}};
    for (const auto &[path, expected] : rows) {
        EXPECT_EQ((std::array{isAttributedFile(path), isTextFile(path), isOpenOfficeFile(path),
                              isWordFile(path), isRTFFile(path), isTextClippingFile(path)}),
                  expected)
            << quoted(path);
    }
}

} // namespace
