// The service commands run as text filters.
#pragma once

#include <QByteArray>

class QTextStream;
class Sumwise;

/// What a filter hands back: the bytes for standard output, the message for standard error
/// and the exit status.
struct FilterResult {
    QByteArray output;
    QByteArray error;
    int status = 0;
};

/// Substitute as a filter: selection in (UTF-8), the result out, ending with the selection's
/// own line break. On failure the selection comes back byte for byte with "Error: " and the
/// message for standard error, status 1.
FilterResult substituteFilter(Sumwise &sumwise, const QByteArray &selection);
