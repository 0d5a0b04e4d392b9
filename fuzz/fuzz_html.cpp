// Feeds arbitrary bytes to the HTML reader: it must answer every input promptly with sound
// styled text (or nullopt for what it refuses), and never touch anything outside the page.
#include "styledtext/html.h"

#include <QGuiApplication>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

namespace {

// The parser warns about every odd font size; the fuzzer's output would be nothing else.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

void checkSound(const AttributedString &s, const QVariantMap &document) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.runs().size(); ++i) {
        const AttributedString::Run &run = s.runs()[i];
        check(run.length > 0);
        check(i == 0 || s.runs()[i - 1].attributes != run.attributes);
        const TextAttributes &a = run.attributes;
        if (a.attachment) {
            for (qsizetype j = start; j < start + run.length; ++j)
                check(s.string()[j] == QChar(0xFFFC));
            check(!a.attachment->contents.isEmpty());
            check(a.attachment->mimeType.startsWith(QLatin1StringView("image/")));
        }
        check(!a.link || (a.link->isValid() && !a.link->isEmpty()));
        check(!a.fontSize || *a.fontSize > 0);
        check(!a.fontFamily
              || (!a.fontFamily->isEmpty() && *a.fontFamily == a.fontFamily->trimmed()));
        start += run.length;
    }
    check(start == s.length());
    check(!s.string().contains(QChar(0)));
    check(document.isEmpty() || document.keys() == QStringList{DocumentAttribute::Title});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const auto previous = qInstallMessageHandler(quiet);
    (void)previous;
    // Pages are laid out with fonts, in a GUI application as in the program.
    static int argc = 1;
    static char name[] = "fuzz_html";
    static char *argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    (void)offscreen;
    static const QUrl base(QStringLiteral("https://example.com/dir/page.html"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QVariantMap document;
    const std::optional<AttributedString> s = attributedStringWithHTML(bytes, base, &document);
    // Only empty input is refused at fuzzing sizes: the limits lie far beyond them.
    check(s.has_value() == (size > 0));
    if (s)
        checkSound(*s, document);
    else
        check(document.isEmpty());
    return 0;
}
