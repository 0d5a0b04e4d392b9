// The formula evaluator and service object.
#pragma once

#include "service/service.h"

class Pasteboard;

#include <QHash>
#include <QString>
#include <QtGlobal>

class UserDefaults;

/// Evaluates one formula at a time: prepares the text, scans and parses it by recursive
/// descent, evaluating as it goes, and formats the value for the user's locale. Named values
/// live in the user defaults, so an assignment lasts across formulas and runs.
class Sumwise : public Service {
public:
    /// Token codes; an operator's code is its own character.
    enum Token : quint16 { END = 0, FUNCTION = 1, NUMBER = 2 };

    /// Nesting deeper than this (parentheses, calls, signs, assignments) is a syntax error.
    static constexpr int MaxNesting = 1000;

    /// Seeds the named constants the store does not hold yet.
    explicit Sumwise(UserDefaults &defaults);
    Sumwise();

    /// The result text of formula, or a null string when formula is null (then nothing
    /// changes). When the formula fails the text is "0": check succeeded() and errorMessage().
    /// An assignment the store cannot save fails the formula too, but the rest of the formula
    /// computes with the value, which the text then shows.
    QString doSumwise(const QString &formula);

    // The four services. Each reads the selection from the request's pasteboard; Substitute
    // and Add write their result back to it, Show shows formula and result in a panel, Copy
    // puts the result on the clipboard. Substitute, Add and Copy set *error ("Error: " and
    // the message) and beep when they fail.
    void doCalcSubstituteService(Pasteboard &pboard, const QString &userData, QString *error);
    void doCalcAddService(Pasteboard &pboard, const QString &userData, QString *error);
    void doCalcShowService(Pasteboard &pboard, const QString &userData, QString *error);
    void doCalcCopyService(Pasteboard &pboard, const QString &userData, QString *error);

    /// Set once Show's panel has closed: the program should end.
    bool terminationRequested() const { return m_terminate; }

    bool succeeded() const { return success; }
    /// The localised message of the last error of the last run; null when it succeeded.
    QString errorMessage() const { return errorMsg; }

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
    QHash<QString, double> unsavedValues; // assigned in this formula, but not stored
    bool m_terminate = false;
};
