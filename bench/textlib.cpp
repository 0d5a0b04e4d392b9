// The text library's inner loops against Qt's and the standard library's own, on generated
// mixed-script text, plus the one-time cost of building the character tables.
//
// Usage: bench_textlib [--seconds=S]
#include "harness.h"

#include "textlib/base64.h"
#include "textlib/characters.h"
#include "textlib/charactersets.h"
#include "textlib/conversiontables.h"
#include "textlib/fastcompare.h"
#include "textlib/lines.h"
#include "textlib/normalization.h"
#include "textlib/summary.h"
#include "textlib/whitespace.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using bench::sink;
using bench::Timed;

// Words of several scripts, blanks and line breaks, drawn with a fixed seed so every run
// measures the same text.
QString mixedText(qsizetype units) {
    static const char16_t *const words[] = {
        u"the",        u"Straße", u"Ärger",     u"naïve",    u"Καλημέρα", u"κόσμε",
        u"Привет",     u"мир",    u"日本語",    u"テキスト", u"مرحبا",    u"שלום",
        u"\U0001F600", u"ABC",    u"x=1,5;x*3", u"İstanbul", u"ǅemal",    u"café",
        u"Ωmega",      u"12345",  u"hello",     u"WORLD"};
    static const char16_t *const gaps[] = {u" ",  u" ",    u" ",       u"  ",  u"\t",
                                           u"\n", u"\r\n", u" \u00a0", u"\n\n"};
    std::mt19937 random(42);
    QString text;
    text.reserve(units + 32);
    while (text.size() < units) {
        text += QStringView(words[random() % std::size(words)]);
        text += QStringView(gaps[random() % std::size(gaps)]);
    }
    text.truncate(units);
    return text;
}

// Milliseconds to build every table and set, in a fresh process each time (they are built once
// per process); the median of several.
double tableBuildMilliseconds() {
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i) {
        int fds[2];
        if (pipe(fds) != 0)
            return -1;
        const pid_t child = fork();
        if (child == 0) {
            const auto start = bench::Clock::now();
            using namespace textlib;
            for (auto rep : {emptyCharacterSetRep, spaceCharacterSetRep, whiteCharacterSetRep,
                             alphaCharacterSetRep, alphaNumCharacterSetRep, digitCharacterSetRep,
                             lowerCharacterSetRep, upperCharacterSetRep})
                sink = rep()[1];
            for (auto table : {initLowerCharsTable, initUpperCharsTable, initUmlautsCharsTable,
                               initLowerUmlautsCharsTable, initUpperUmlautsCharsTable})
                sink = table()[65];
            const double ms =
                std::chrono::duration<double, std::milli>(bench::Clock::now() - start).count();
            [[maybe_unused]] auto n = write(fds[1], &ms, sizeof ms);
            _exit(0);
        }
        close(fds[1]);
        double ms = -1;
        if (read(fds[0], &ms, sizeof ms) != sizeof ms)
            ms = -1;
        close(fds[0]);
        waitpid(child, nullptr, 0);
        runs.push_back(ms);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

void printGroup(const char *title, std::vector<Timed> &timed, const char *unit) {
    std::printf("\n%s\n", title);
    for (const Timed &t : timed)
        std::printf("  %-44s %10.0f %s/s  (%.3f ms a call)\n", t.label, t.best, unit,
                    1e3 * t.perCall / t.best);
    for (std::size_t i = 1; i < timed.size(); ++i)
        std::printf("  ratio %s / %s: %.2f\n", timed[0].label, timed[i].label,
                    timed[0].best / timed[i].best);
}

} // namespace

int main(int argc, char *argv[]) {
    double minSeconds = 0.5;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0) {
            minSeconds = std::atof(argv[i] + 10);
        } else {
            std::fprintf(stderr, "usage: %s [--seconds=S]\n", argv[0]);
            return 2;
        }
    }

    std::printf("Building all 8 character sets and 5 conversion tables: %.2f ms (median of 7 "
                "fresh processes)\n",
                tableBuildMilliseconds());

    const qsizetype oneMB = 1 << 20;
    const QString text = mixedText(oneMB / 2); // 1 MB of UTF-16
    const std::u16string_view units(reinterpret_cast<const char16_t *>(text.utf16()),
                                    std::size_t(text.size()));
    // Absent from the text, so every search reads all of it; the first unit is frequent.
    const QString needle = QStringLiteral("the Straße Καλημέρα zzz");
    const QString foldedNeedle = QStringLiteral("THE STRAßE ΚΑΛΗΜΈΡΑ ZZZ");
    const auto *h = units.data();
    const qsizetype hn = text.size();
    const std::u16string_view nv(reinterpret_cast<const char16_t *>(needle.utf16()),
                                 std::size_t(needle.size()));
    const std::u16string_view fv(reinterpret_cast<const char16_t *>(foldedNeedle.utf16()),
                                 std::size_t(foldedNeedle.size()));
    std::printf("Text: %lld UTF-16 units (%.1f MB), mixed scripts; figures are MB/s\n",
                static_cast<long long>(hn), double(hn * 2) / 1e6);

    const double mb = double(hn * 2) / 1e6;
    std::vector<Timed> search = {
        {"fastContainsUnichars",
         [&] {
             sink = double(textlib::fastContainsUnichars(h, hn, nv.data(), qsizetype(nv.size()))
                           != nullptr);
         },
         mb},
        {"QStringView::indexOf", [&] { sink = double(QStringView(text).indexOf(needle)); }, mb},
        {"std::u16string_view::find", [&] { sink = double(units.find(nv)); }, mb},
    };
    std::vector<Timed> searchNoCase = {
        {"fastCaseInsensitiveContainsUnichars",
         [&] {
             sink = double(textlib::fastCaseInsensitiveContainsUnichars(h, hn, fv.data(),
                                                                        qsizetype(fv.size()))
                           != nullptr);
         },
         mb},
        {"QStringView::indexOf(CaseInsensitive)",
         [&] { sink = double(QStringView(text).indexOf(foldedNeedle, 0, Qt::CaseInsensitive)); },
         mb},
    };
    std::vector<Timed> count = {
        {"countCharacter", [&] { sink = double(textlib::countCharacter(text, u' ')); }, mb},
        {"std::count", [&] { sink = double(std::count(units.begin(), units.end(), u' ')); }, mb},
        {"QStringView::count", [&] { sink = double(QStringView(text).count(u' ')); }, mb},
    };
    bench::timeAll(search, minSeconds);
    bench::timeAll(searchNoCase, minSeconds);
    bench::timeAll(count, minSeconds);
    printGroup("Search, case-sensitive (needle absent):", search, "MB");
    printGroup("Search, ignoring case (needle absent):", searchNoCase, "MB");
    printGroup("Counting one unit:", count, "MB");

    const QString big = mixedText(5 * 1000 * 1000); // 10 MB of UTF-16
    const double bigMb = double(big.size() * 2) / 1e6;
    std::vector<Timed> whole = {
        {"stringByRemovingMultipleWhiteSpaces",
         [&] { sink = double(textlib::stringByRemovingMultipleWhiteSpaces(big).size()); }, bigMb},
        {"removeMultipleWhiteSpaces (in place, copy)",
         [&] {
             QString copy = big;
             textlib::removeMultipleWhiteSpaces(copy);
             sink = double(copy.size());
         },
         bigMb},
        {"QString::simplified (peer, also trims)", [&] { sink = double(big.simplified().size()); },
         bigMb},
    };
    std::vector<Timed> cutting = {
        {"lines", [&] { sink = double(textlib::lines(big).size()); }, bigMb},
        {"QString::split(\"\\n\") (peer, LF only)", [&] { sink = double(big.split(u'\n').size()); },
         bigMb},
    };
    bench::timeAll(whole, minSeconds);
    bench::timeAll(cutting, minSeconds);
    printGroup("Collapsing white space, 10 MB:", whole, "MB");
    printGroup("Cutting lines, 10 MB:", cutting, "MB");

    // Base64 of the 1 MB text's UTF-8 bytes, both ways, against Qt's codec.
    const QByteArray bytes = text.toUtf8();
    const QString encoded = textlib::encodedBase64Data(bytes);
    const QByteArray encodedLatin1 = encoded.toLatin1();
    const double bytesMb = double(bytes.size()) / 1e6;
    std::vector<Timed> encoding = {
        {"encodedBase64Data (to QString)",
         [&] { sink = double(textlib::encodedBase64Data(bytes).size()); }, bytesMb},
        {"QByteArray::toBase64 + fromLatin1 (peer)",
         [&] { sink = double(QString::fromLatin1(bytes.toBase64()).size()); }, bytesMb},
    };
    std::vector<Timed> decoding = {
        {"decodedBase64Data (from QString)",
         [&] { sink = double(textlib::decodedBase64Data(encoded).size()); }, bytesMb},
        {"toLatin1 + QByteArray::fromBase64 (peer)",
         [&] { sink = double(QByteArray::fromBase64(encoded.toLatin1()).size()); }, bytesMb},
        {"QByteArray::fromBase64 alone",
         [&] { sink = double(QByteArray::fromBase64(encodedLatin1).size()); }, bytesMb},
    };
    bench::timeAll(encoding, minSeconds);
    bench::timeAll(decoding, minSeconds);
    printGroup("Base64 encoding (MB of input bytes):", encoding, "MB");
    printGroup("Base64 decoding (MB of output bytes):", decoding, "MB");

    // Composing a long run of combining marks: Qt's normalizer is quadratic in the run.
    QString marks;
    for (int i = 0; i < 50000; ++i)
        marks += u"e\u0301";
    const double marksMb = double(marks.size() * 2) / 1e6;
    std::vector<Timed> composing = {
        {"normalizeString (C), 100,000 units of e + U+0301",
         [&] {
             QString copy = marks;
             textlib::normalizeString(copy);
             sink = double(copy.size());
         },
         marksMb},
        {"QString::normalized (peer)",
         [&] { sink = double(marks.normalized(QString::NormalizationForm_C).size()); }, marksMb},
    };
    bench::timeAll(composing, minSeconds);
    printGroup("Composing combining marks:", composing, "MB");

    // Prose-like text: the mixed text's words with sentence ends.
    QString prose = text;
    for (qsizetype i = 97; i < prose.size(); i += 97)
        prose[i] = u'.';
    std::vector<Timed> summary = {
        {"summarizeInSentences(5), 1 MB",
         [&] { sink = double(textlib::summarizeInSentences(prose, 5).size()); }, mb},
    };
    bench::timeAll(summary, minSeconds);
    printGroup("Summarising:", summary, "MB");
    return 0;
}
