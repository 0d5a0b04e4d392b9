#include "commands.h"

#include "evaluator/sumwise.h"

#include <QString>

// The selection's final line break, so line-based editor filters keep their lines.
static QByteArray trailingLineBreak(const QByteArray &text) {
    if (text.endsWith("\r\n"))
        return QByteArrayLiteral("\r\n");
    if (text.endsWith('\n'))
        return QByteArrayLiteral("\n");
    if (text.endsWith('\r'))
        return QByteArrayLiteral("\r");
    return {};
}

FilterResult substituteFilter(Sumwise &sumwise, const QByteArray &selection) {
    QString text = QString::fromUtf8(selection);
    if (text.isNull())
        text = QString(QLatin1StringView(""));
    const QString result = sumwise.doSumwise(text);
    if (!sumwise.succeeded())
        return {selection, "Error: " + sumwise.errorMessage().toUtf8() + '\n', 1};
    return {result.toUtf8() + trailingLineBreak(selection), {}, 0};
}
