#include "filelib/filetypes.h"

#include "filelib/defaults.h"

#include "../textlib/texttesting.h"
#include "tests/support/testing.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>

using namespace filelib;
using namespace std::literals;

const QString customKey = QStringLiteral("AdditionalPlainTextExtensions");

// The custom extensions are read once per process, so they are stored before any test here
// can ask for them.
struct FileTypes : testing::Test {
    static void SetUpTestSuite() {
        setString(UserDefaults::standardUserDefaults(), QString::fromUtf16(u"myext.\u00dcbx..a-b"),
                  customKey);
    }
    static void TearDownTestSuite() {
        UserDefaults::standardUserDefaults().removeObjectForKey(customKey);
    }
};

TEST_F(FileTypes, Lists) {
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
                {isAttributedExtension, u"htm\0"sv, {}, false},
                {isTextExtension, u"AgentSet", {}, true},
                {isTextExtension, u"zipx", u"'TEXT'", true},
                {isTextExtension, u"MyExt", {}, true},
                {openOffice, u"SxW", {}, true},
                {isWordExtension, {}, u"'W8TN'", true},
                {isRTFExtension, u"RtFd", {}, true},
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
    const QString file = putFile(dir.filePath("notes.RTF"), "");
    EXPECT_TRUE(typeCodeOfFile(file).isNull());
    EXPECT_TRUE(isRTFFile(file) && isAttributedFile(file));
    EXPECT_TRUE(isTextFile("/a.odt/b.txt/") && isWordFile("x.DOCX") && isOpenOfficeFile("x.sxw"));
    EXPECT_TRUE(isTextClippingFile("/tmp/.clipping"));
    EXPECT_FALSE(isTextFile(QString()) || isAttributedFile("/a.odt/b.txt/"));
}
