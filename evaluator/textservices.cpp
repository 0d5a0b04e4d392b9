#include "textservices.h"

#include "formulaengine.h"

namespace textservices {

QByteArray trailingLineBreak(const QByteArray &text) {
    if (text.endsWith("\r\n"))
        return QByteArrayLiteral("\r\n");
    if (text.endsWith('\n'))
        return QByteArrayLiteral("\n");
    if (text.endsWith('\r'))
        return QByteArrayLiteral("\r");
    return {};
}

qsizetype lineContentLength(QStringView text) {
    if (text.endsWith(u"\r\n"))
        return text.size() - 2;
    if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        return text.size() - 1;
    return text.size();
}

QString errorText(const FormulaEngine &engine) {
    const QString message = engine.errorMessage();
    // Without any text to evaluate there is no message of this run to give.
    return QStringLiteral("Error: %1")
        .arg(message.isNull() ? FormulaEngine::syntaxErrorMessage() : message);
}

QString substitute(FormulaEngine &engine, const QString &text, QString *error) {
    const QString result = engine.doSumwise(text);
    if (!result.isNull() && engine.succeeded())
        return result;
    if (error)
        *error = errorText(engine);
    return {};
}

QString appendedResult(FormulaEngine &engine, const QString &text, QString *error) {
    const QString result = substitute(engine, text, error);
    return result.isNull() ? result : QStringLiteral(" = %1").arg(result);
}

QString add(FormulaEngine &engine, const QString &text, QString *error) {
    const QString appended = appendedResult(engine, text, error);
    if (appended.isNull())
        return appended;
    QString extended = text;
    extended.insert(lineContentLength(extended), appended);
    return extended;
}

FilterResult failure(const QByteArray &selection, bool fromArguments, const QString &error) {
    return {fromArguments ? QByteArray() : selection, error.toUtf8() + '\n', 1};
}

FilterResult filter(FormulaEngine &engine, bool add, const QByteArray &selection,
                    bool fromArguments) {
    const QByteArray lineBreak = trailingLineBreak(selection);
    // Empty text on offer is text all the same: it fails as a formula, not as a missing one.
    QString text = QString::fromUtf8(selection.first(selection.size() - lineBreak.size()));
    if (text.isNull())
        text = QStringLiteral("");
    QString error;
    const QString result =
        add ? textservices::add(engine, text, &error) : substitute(engine, text, &error);
    if (result.isNull())
        return failure(selection, fromArguments, error);
    return {result.toUtf8() + lineBreak, {}, 0};
}

} // namespace textservices
