// Reading the selection in its richest readable flavour and writing results in exactly one.
#include "pasteboard/pasteboard.h"
#include "service/service.h"

#include <gtest/gtest.h>

using namespace service;

namespace {

const QByteArray Rtf = "{\\rtf1\\ansi\\b rich}";
const QByteArray Broken = "{\\rtf1 never closed";
// A one-pixel PNG, embedded as a picture.
const QByteArray RtfWithPicture =
    "{\\rtf1\\ansi pic {\\pict\\pngblip\\picw1\\pich1 "
    "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
    "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082}}";

// A pasteboard with these flavours declared, each with its data unless that is null.
MemoryPasteboard pasteboard(const QList<QPair<QString, QByteArray>> &flavours) {
    MemoryPasteboard pboard;
    QStringList types;
    for (const auto &f : flavours)
        types.append(f.first);
    pboard.declareTypes(types);
    for (const auto &[type, data] : flavours)
        if (!data.isNull())
            pboard.setData(data, type);
    return pboard;
}

TEST(Service, ReadsTheRichestReadableFlavour) {
    using PasteboardType::RTF, PasteboardType::RTFD, PasteboardType::String;
    struct {
        const char *name;
        QList<QPair<QString, QByteArray>> flavours;
        const char *characters; // nullptr: absent
        bool styled;
    } const cases[] = {
        {"rtf before plain", {{String, "plain"}, {RTF, Rtf}}, "rich", true},
        {"rtfd listed without data", {{RTFD, QByteArray()}, {RTF, Rtf}}, "rich", true},
        {"broken rtfd falls to plain",
         {{RTFD, Broken}, {RTF, Rtf}, {String, "plain"}},
         "plain",
         false},
        {"broken rtfd without plain", {{RTFD, Broken}, {RTF, Rtf}}, nullptr, false},
        {"broken rtf falls to plain", {{RTF, Broken}, {String, "plain"}}, "plain", false},
        {"plain only", {{String, "2+3"}}, "2+3", false},
        {"empty plain", {{String, ""}}, "", false},
        {"nothing readable", {{QStringLiteral("image/png"), "x"}}, nullptr, false},
    };
    for (const auto &c : cases) {
        Service service;
        const MemoryPasteboard pboard = pasteboard(c.flavours);
        const PasteboardText styled = service.getStringOfPboard(pboard, TextForm::Attributed);
        EXPECT_TRUE(service.hasPerformedService()) << c.name;
        EXPECT_EQ(std::holds_alternative<AttributedString>(styled), c.styled) << c.name;
        const PasteboardText plain = service.getStringOfPboard(pboard, TextForm::Characters);
        EXPECT_FALSE(std::holds_alternative<AttributedString>(plain)) << c.name;
        if (c.characters) {
            EXPECT_EQ(characters(plain), QString::fromUtf8(c.characters)) << c.name;
            EXPECT_FALSE(characters(plain).isNull()) << c.name;
        } else {
            EXPECT_TRUE(std::holds_alternative<std::monostate>(plain)) << c.name;
        }
    }
}

TEST(Service, WritesExactlyOneFlavour) {
    Service service;
    service.activeApplication = [] { return QString(); };
    const auto picture = AttributedString::fromRTF(RtfWithPicture);
    ASSERT_TRUE(picture && picture->containsAttachments());
    struct {
        const char *name;
        PasteboardText text;
        QStringList types;
    } const cases[] = {
        {"plain", QStringLiteral("5"), {PasteboardType::String}},
        {"styled", *AttributedString::fromRTF(Rtf), {PasteboardType::RTF}},
        {"styled with picture", *picture, {PasteboardType::RTFD}},
        {"absent", std::monostate(), {QStringLiteral("old/type")}},
    };
    for (const auto &c : cases) {
        MemoryPasteboard pboard = pasteboard({{QStringLiteral("old/type"), "old"}});
        service.writeString(c.text, pboard);
        EXPECT_EQ(pboard.types(), c.types) << c.name;
        // What was written reads back as what was meant.
        if (!std::holds_alternative<std::monostate>(c.text)) {
            EXPECT_EQ(characters(service.getStringOfPboard(pboard, TextForm::Characters)),
                      characters(c.text))
                << c.name;
        }
    }
    MemoryPasteboard pboard =
        pasteboard({{PasteboardType::RTFD, picture->RTFDFromRange(0, picture->length())}});
    const PasteboardText back = service.getStringOfPboard(pboard, TextForm::Attributed);
    ASSERT_TRUE(std::holds_alternative<AttributedString>(back));
    EXPECT_TRUE(std::get<AttributedString>(back).containsAttachments());
}

TEST(Service, MailApplicationAlsoGetsTheClipboard) {
    struct {
        const char *active;
        const char *target;
        int clipboardWrites;
    } const cases[] = {
        {"Mail", "NSServicesPboard", 1},
        {"mail", "NSServicesPboard", 0},
        {"Mailer", "NSServicesPboard", 0},
    };
    for (const auto &c : cases) {
        MemoryPasteboard clipboard(GeneralPboard);
        Service service;
        service.activeApplication = [&] { return QString::fromUtf8(c.active); };
        service.generalPasteboard = [&]() -> Pasteboard & { return clipboard; };
        const QString target = QString::fromUtf8(c.target);
        MemoryPasteboard other(target);
        Pasteboard &pboard = target == GeneralPboard ? static_cast<Pasteboard &>(clipboard) : other;
        service.writeString(QStringLiteral("42"), pboard);
        const bool onClipboard = clipboard.stringForType(PasteboardType::String) == u"42";
        EXPECT_EQ(onClipboard, c.clipboardWrites > 0 || target == GeneralPboard)
            << c.active << " " << c.target;
        if (target != GeneralPboard) {
            EXPECT_EQ(other.stringForType(PasteboardType::String), QStringLiteral("42"));
        }
    }
}

TEST(Service, EmptyTextOfTheSameKindAndItsLines) {
    Service service;
    PasteboardLines lines;
    MemoryPasteboard plain = pasteboard({{PasteboardType::String, "a\r\nb\n"}});
    PasteboardText empty = service.getEmptyMutableStringAndLines(&lines, plain);
    ASSERT_TRUE(std::holds_alternative<QString>(empty));
    EXPECT_TRUE(std::get<QString>(empty).isEmpty());
    EXPECT_EQ(std::get<QStringList>(lines), (QStringList{"a\r\n", "b\n"}));

    MemoryPasteboard rich = pasteboard({{PasteboardType::RTF, "{\\rtf1 a\\par b}"}});
    empty = service.getEmptyMutableStringAndLines(&lines, rich);
    ASSERT_TRUE(std::holds_alternative<AttributedString>(empty));
    ASSERT_EQ(std::get<QList<AttributedString>>(lines).size(), 2);
    EXPECT_EQ(std::get<QList<AttributedString>>(lines)[0].string(), QStringLiteral("a\n"));

    MemoryPasteboard none;
    empty = service.getEmptyMutableStringAndLines(&lines, none);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(empty));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(lines));
    EXPECT_TRUE(service.hasPerformedService());
}

} // namespace
