// Appending text to an RTF document without rewriting it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>

/// Where text appended to the document takes the formatting of its last character: right
/// after that character, inside the innermost group holding it, and before the break that ends
/// the document's last paragraph (a final \par, or a final table row's \cell and \row). A
/// last character inside a group other readers may skip (a \* destination, \upr) is followed
/// from just after that group, unless the text there would not be read (after a \upr outside
/// any group). When the document's own group ends inside a destination (a \pict outside any
/// group), the text follows the last thing read. Bytes after the root group are ignored. nullopt
/// when the data is no complete RTF document.
std::optional<qsizetype> rtfAppendPosition(QByteArrayView rtf);

/// rtf with text inserted at rtfAppendPosition, as a group of its own (non-ASCII as \uN);
/// every other byte as it was. nullopt when the data is no complete RTF document.
std::optional<QByteArray> rtfByAppending(const QByteArray &rtf, QStringView text);
