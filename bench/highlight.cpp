// Link-name highlighting on a 1 MB text against the naive search of every name over the whole
// text, with 100, 1,000 and 10,000 names. The highlighter visits each word start once, indexed
// by its first two units; the naive peer scans the text once per name.
//
// Usage: bench_highlight [--seconds=S]
#include "harness.h"

#include "styledtext/highlighting.h"

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <cstring>
#include <random>

namespace {

using bench::sink;
using bench::Timed;

constexpr qsizetype TextUnits = 1 << 20;

// A pseudo-word of 3 to 9 letters, sometimes capitalised.
QString pseudoWord(std::mt19937 &random) {
    QString word;
    const int length = 3 + int(random() % 7);
    for (int i = 0; i < length; ++i)
        word += QChar(u'a' + char16_t(random() % 26));
    if (random() % 4 == 0)
        word[0] = word[0].toUpper();
    return word;
}

// Words drawn from a vocabulary of 50,000 with blanks, commas and line breaks between them,
// fixed by the seed so every run measures the same text.
QString benchText(const QStringList &vocabulary, std::mt19937 &random) {
    static const char16_t *const gaps[] = {u" ", u" ", u" ", u" ", u", ", u". ", u"\n"};
    QString text;
    text.reserve(TextUnits + 16);
    while (text.size() < TextUnits) {
        text += vocabulary[qsizetype(random() % vocabulary.size())];
        text += QStringView(gaps[random() % std::size(gaps)]);
    }
    text.truncate(TextUnits);
    return text;
}

// Half the names occur in the text, half are new words.
QStringList benchNames(qsizetype count, const QStringList &vocabulary, std::mt19937 &random) {
    QStringList names;
    for (qsizetype i = 0; i < count; ++i)
        names << (i % 2 ? pseudoWord(random) : vocabulary[qsizetype(random() % vocabulary.size())]);
    return names;
}

// The peer: every name searched over the whole text, keeping the occurrences that start a word
// and end at a separator, as the highlighter's do.
qsizetype naiveHits(QStringView text, const QStringList &names) {
    const textlib::CharacterSetRep separators = defaultWordSeparators();
    const auto separatorAt = [&](qsizetype i) {
        return textlib::isMember(separators, text[i].unicode());
    };
    qsizetype hits = 0;
    for (const QString &name : names) {
        for (qsizetype p = text.indexOf(name); p >= 0; p = text.indexOf(name, p + 1)) {
            const qsizetype end = p + name.size();
            if ((p == 0 || separatorAt(p - 1)) && (end == text.size() || separatorAt(end)))
                ++hits;
        }
    }
    return hits;
}

qsizetype wordStarts(QStringView text) {
    const textlib::CharacterSetRep separators = defaultWordSeparators();
    qsizetype starts = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if ((i == 0 || textlib::isMember(separators, text[i - 1].unicode()))
            && !textlib::isMember(separators, text[i].unicode()))
            ++starts;
    }
    return starts;
}

} // namespace

int main(int argc, char **argv) {
    double seconds = 0.3;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0)
            seconds = std::atof(argv[i] + 10);
    }
    std::mt19937 random(42);
    QStringList vocabulary;
    for (int i = 0; i < 50'000; ++i)
        vocabulary << pseudoWord(random);
    const QString text = benchText(vocabulary, random);
    const AttributedString styled(text);
    const AttributeDictionary attributes = wikiLinkAttributes();
    std::printf("text: %lld units, %lld word starts\n", (long long)text.size(),
                (long long)wordStarts(text));

    for (qsizetype count : {100, 1'000, 10'000}) {
        const QStringList names = benchNames(count, vocabulary, random);
        const qsizetype found = findLinkNames(text, names, Qt::CaseSensitive).size();
        const qsizetype naive = naiveHits(text, names);
        const bool usable = qint64(count) * text.size() < MaximumLinkNameWork;
        std::printf("\n%lld names: %lld hits (naive search: %lld)%s\n", (long long)count,
                    (long long)found, (long long)naive,
                    usable ? "" : "; names x length is past the limit, highlightLinks skips them");
        std::vector<Timed> timed = {
            {"naive: indexOf of every name over the text",
             [&] { sink = double(naiveHits(text, names)); }, 1},
            {"findLinkNames (word starts by first two units)",
             [&] { sink = double(findLinkNames(text, names, Qt::CaseSensitive).size()); }, 1},
        };
        // Past the limit highlightLinks returns at once: nothing to time.
        if (usable) {
            timed.push_back({"highlightLinks into a layout manager",
                             [&] {
                                 AttributedString s = styled;
                                 LayoutManager manager(s);
                                 highlightLinks(s, names, Qt::CaseSensitive, MashedWords::No, 0,
                                                s.length(), attributes, &manager);
                                 sink =
                                     double(manager.temporaryAttributesAtCharacterIndex(0).size());
                             },
                             1});
            timed.push_back({"highlightLinks into the text",
                             [&] {
                                 AttributedString s = styled;
                                 highlightLinks(s, names, Qt::CaseSensitive, MashedWords::No, 0,
                                                s.length(), attributes);
                                 sink = double(s.runs().size());
                             },
                             1});
        }
        bench::timeAll(timed, seconds);
        for (const Timed &t : timed) {
            std::printf("  %-52s %10.2f ms", t.label, 1e3 / t.best);
            if (&t != &timed[0])
                std::printf("   naive / this: %6.1fx", t.best / timed[0].best);
            std::printf("\n");
        }
    }
    return 0;
}
