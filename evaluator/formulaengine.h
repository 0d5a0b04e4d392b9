// The formula engine: scanner, parser, built-ins and result formatting, on Qt Core alone.
#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QtGlobal>

class UserDefaults;

/// Evaluates one formula at a time: prepares the text, scans and parses it by recursive
/// descent, evaluating as it goes, and formats the value for the user's locale. Named values
/// live in the user defaults, so an assignment lasts across formulas and runs: the store is
/// written once per formula, before its result is returned.
class FormulaEngine {
public:
    /// Token codes; an operator's code is its own character.
    enum Token : quint16 { END = 0, FUNCTION = 1, NUMBER = 2 };

    /// Nesting deeper than this (parentheses, calls, signs, assignments) is a syntax error.
    static constexpr int MaxNesting = 1000;

    /// Seeds the named constants the store does not hold yet.
    explicit FormulaEngine(UserDefaults &defaults);
    FormulaEngine();

    /// The result text of formula, or a null string when formula is null (then nothing
    /// changes). When the formula fails the text is "0": check succeeded() and errorMessage().
    /// An assignment the store cannot save fails the formula too, but the rest of the formula
    /// computes with the value, which the text then shows.
    QString doSumwise(const QString &formula);

    bool succeeded() const { return success; }
    /// The localised message of the last error of the last run; null when it succeeded.
    QString errorMessage() const { return errorMsg; }
    /// The localised "Syntax error".
    static QString syntaxErrorMessage();

private:
    void error(const QString &message, const char *selector);
    void syntaxError(const char *selector);

    char16_t get_char(bool advance);
    qint8 get_token();
    void scanNumber(quint32 start);
    bool scanName(quint32 start);
    bool assign(const QString &key);

    double expr(bool fetch);
    double term(bool fetch);
    double pow(bool fetch);
    double prim(bool fetch);
    double function(qint32 code, double expr);

    UserDefaults &defaults;

    QString formula;
    QString errorMsg;
    quint32 curr_char = 0;
    quint16 curr_tok = END;
    qint32 curr_fn = -1;
    qint32 last_assign = -1;
    qint32 last_lp = -1;
    double curr_number = 0.0;
    bool success = false;
    int depth = 0;
    // What the store held under each key this formula assigned, to put back when the write fails.
    QHash<QString, QVariant> heldBefore;
};
