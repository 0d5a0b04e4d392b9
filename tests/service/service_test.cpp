// Reading the selection in its richest readable flavour (writing results is the services'
// tests), and the Mail application's extra copy.
#include "pasteboard/pasteboard.h"
#include "service/service.h"

#include <gtest/gtest.h>

using namespace service;

namespace {

const QByteArray Rtf = "{\\rtf1\\ansi\\b rich}";
const QByteArray Broken = "{\\rtf1 never closed";

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
        {"rtf before plain, rtfd listed without data",
         {{String, "plain"}, {RTFD, QByteArray()}, {RTF, Rtf}},
         "rich",
         true},
        {"broken rtfd falls to plain",
         {{RTFD, Broken}, {RTF, Rtf}, {String, "plain"}},
         "plain",
         false},
        {"broken rtfd without plain", {{RTFD, Broken}, {RTF, Rtf}}, nullptr, false},
        {"empty plain", {{String, ""}}, "", false},
        {"nothing readable", {{QStringLiteral("image/png"), "x"}}, nullptr, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Service service;
        const MemoryPasteboard pboard = pasteboard(c.flavours);
        const PasteboardText styled = service.getStringOfPboard(pboard, TextForm::Attributed);
        EXPECT_TRUE(service.hasPerformedService());
        EXPECT_EQ(std::holds_alternative<AttributedString>(styled), c.styled);
        const PasteboardText plain = service.getStringOfPboard(pboard, TextForm::Characters);
        EXPECT_FALSE(std::holds_alternative<AttributedString>(plain));
        EXPECT_EQ(std::holds_alternative<std::monostate>(plain), !c.characters);
        EXPECT_EQ(characters(plain), QString::fromUtf8(c.characters));
    }
}

// Written to another pasteboard, a result also goes to the clipboard when Mail (that name
// exactly) is the active application.
TEST(Service, MailApplicationAlsoGetsTheClipboard) {
    for (const char *active : {"Mail", "mail", "Mailer"}) {
        MemoryPasteboard clipboard(GeneralPboard), other("NSServicesPboard");
        Service service;
        service.activeApplication = [&] { return QString::fromUtf8(active); };
        service.generalPasteboard = [&]() -> Pasteboard & { return clipboard; };
        service.writeString(QStringLiteral("42"), other);
        EXPECT_EQ(other.stringForType(PasteboardType::String), u"42");
        EXPECT_EQ(clipboard.stringForType(PasteboardType::String) == u"42",
                  std::string_view(active) == "Mail")
            << active;
    }
}

} // namespace
