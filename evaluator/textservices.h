// Substitute and add on plain text, shared by the service object and the command's own
// filter, so that both give the same text, the same messages and the same exit statuses.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class FormulaEngine;

namespace textservices {

/// What a filter hands back: bytes for standard output, a message for standard error and the
/// exit status.
struct FilterResult {
    QByteArray output;
    QByteArray error;
    int status = 0;
};

/// The selection's final line break ("\n", "\r\n", "\r" or none).
QByteArray trailingLineBreak(const QByteArray &text);
/// The length of a text without its final line break.
qsizetype lineContentLength(QStringView text);

/// "Error: " and the engine's message for its last run ("Syntax error" when it had no text).
QString errorText(const FormulaEngine &engine);

/// The result of text's formula; null when it fails, with *error set by errorText().
QString substitute(FormulaEngine &engine, const QString &text, QString *error);
/// " = " and the result of text's formula; null when it fails, as substitute().
QString appendedResult(FormulaEngine &engine, const QString &text, QString *error);
/// The text with appendedResult() inserted before its final line break; null on failure.
QString add(FormulaEngine &engine, const QString &text, QString *error);

/// A failed request: the selection comes back unchanged (nothing for a formula given as
/// arguments), the message goes to standard error with a line break, status 1.
FilterResult failure(const QByteArray &selection, bool fromArguments, const QString &error);

/// Substitute (or add) on a UTF-8 selection as a line-based filter: the selection's final line
/// break is held back from the formula and follows the result.
FilterResult filter(FormulaEngine &engine, bool add, const QByteArray &selection,
                    bool fromArguments);

} // namespace textservices
