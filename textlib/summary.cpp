#include "summary.h"

#include "charactersets.h"
#include "lines.h"

#include <QHash>
#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace textlib {

namespace {

struct Unit {
    qsizetype start, end; // trimmed span in the text
    qsizetype paragraph;
    double score = 0;
};

bool isWhite(char16_t c) {
    return isMember(whiteCharacterSetRep(), c);
}

// Trims [start, end) of white units; false when nothing is left.
bool trimSpan(QStringView text, qsizetype &start, qsizetype &end) {
    while (start < end && isWhite(text[start].unicode()))
        ++start;
    while (end > start && isWhite(text[end - 1].unicode()))
        --end;
    return start < end;
}

// Blank-line separation when the text has a blank line, else one paragraph per line.
struct Paragraphs {
    QList<Unit> units;
    QString separator;
};

Paragraphs paragraphsOf(QStringView text) {
    QList<std::pair<qsizetype, qsizetype>> lineSpans; // untrimmed [start, end) without breaks
    bool anyBlank = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isFeed(text[i].unicode()))
            continue;
        lineSpans.append({start, i});
        if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    QList<bool> blank(lineSpans.size());
    for (qsizetype k = 0; k < lineSpans.size(); ++k) {
        qsizetype s = lineSpans[k].first, e = lineSpans[k].second;
        blank[k] = !trimSpan(text, s, e);
        // Blank lines before the first text do not make the text blank-line separated.
        if (blank[k] && k > 0 && k + 1 < lineSpans.size())
            anyBlank = true;
    }
    Paragraphs result{{}, anyBlank ? QStringLiteral("\n\n") : QStringLiteral("\n")};
    qsizetype open = -1, close = -1;
    auto flush = [&] {
        qsizetype s = open, e = close;
        if (open >= 0 && trimSpan(text, s, e))
            result.units.append({s, e, result.units.size()});
        open = -1;
    };
    for (qsizetype k = 0; k < lineSpans.size(); ++k) {
        if (blank[k]) {
            flush();
            continue;
        }
        if (open < 0)
            open = lineSpans[k].first;
        close = lineSpans[k].second;
        if (!anyBlank)
            flush();
    }
    flush();
    return result;
}

QList<Unit> sentencesOf(QStringView text, const QList<Unit> &paragraphs) {
    QList<Unit> sentences;
    for (const Unit &p : paragraphs) {
        const QStringView body = text.sliced(p.start, p.end - p.start);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, body.data(), body.size());
        qsizetype from = 0;
        for (qsizetype to = finder.toNextBoundary(); to > 0; to = finder.toNextBoundary()) {
            qsizetype s = p.start + from, e = p.start + to;
            if (trimSpan(text, s, e))
                sentences.append({s, e, p.paragraph});
            from = to;
        }
    }
    return sentences;
}

bool holdsLetterOrDigit(QStringView word) {
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c.isHighSurrogate() && i + 1 < word.size() && word[i + 1].isLowSurrogate()) {
            if (QChar::isLetterOrNumber(QChar::surrogateToUcs4(c, word[++i])))
                return true;
        } else if (isMember(alphaNumCharacterSetRep(), c.unicode())) {
            return true;
        }
    }
    return false;
}

// Case-folded terms of [start, end): words holding a letter or digit, two units or longer.
QStringList termsOf(QStringView text, qsizetype start, qsizetype end) {
    QStringList terms;
    const QStringView span = text.sliced(start, end - start);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, span.data(), span.size());
    qsizetype from = 0;
    for (qsizetype to = finder.toNextBoundary(); to > 0; to = finder.toNextBoundary()) {
        const QStringView word = span.sliced(from, to - from);
        from = to;
        if (word.size() < 2)
            continue;
        if (holdsLetterOrDigit(word))
            terms.append(word.toString().toCaseFolded());
    }
    return terms;
}

void score(QStringView text, QList<Unit> &units) {
    QList<QStringList> unitTerms;
    QHash<QString, int> frequency, unitsHolding;
    for (const Unit &u : units) {
        QStringList terms = termsOf(text, u.start, u.end);
        for (const QString &t : terms)
            ++frequency[t];
        terms.sort();
        terms.erase(std::unique(terms.begin(), terms.end()), terms.end());
        for (const QString &t : terms)
            ++unitsHolding[t];
        unitTerms.append(std::move(terms));
    }
    const double n = double(units.size());
    for (qsizetype i = 0; i < units.size(); ++i) {
        double sum = 0;
        for (const QString &t : unitTerms[i])
            sum += (frequency[t] - 1) * std::log((n + 1) / unitsHolding[t]);
        units[i].score = unitTerms[i].isEmpty() ? 0 : sum / std::sqrt(unitTerms[i].size());
    }
}

QString summarize(const QString &text, qsizetype count, bool sentences) {
    if (text.isNull())
        return {};
    const Paragraphs paragraphs = paragraphsOf(text);
    QList<Unit> units = sentences ? sentencesOf(text, paragraphs.units) : paragraphs.units;
    if (units.isEmpty())
        return {};
    if (count < 1)
        return QStringLiteral("");
    score(text, units);
    QList<qsizetype> order(units.size());
    std::iota(order.begin(), order.end(), 0);
    // Stable: equal scores keep text order.
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return units[a].score > units[b].score; });
    order.resize(std::min(count, order.size()));
    std::sort(order.begin(), order.end());

    QString summary;
    qsizetype lastParagraph = -1;
    for (qsizetype i : order) {
        const Unit &u = units[i];
        if (lastParagraph >= 0)
            summary += u.paragraph == lastParagraph ? QStringLiteral(" ") : paragraphs.separator;
        summary += QStringView(text).sliced(u.start, u.end - u.start);
        lastParagraph = u.paragraph;
    }
    return summary;
}

} // namespace

QString summarizeInSentences(const QString &text, qsizetype count) {
    return summarize(text, count, true);
}

QString summarizeInParagraphs(const QString &text, qsizetype count) {
    return summarize(text, count, false);
}

} // namespace textlib
