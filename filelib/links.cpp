#include "links.h"

#include "pathcomponents.h"
#include "paths.h"

namespace filelib {

QString stringByResolvingLinkOfPath(const QString &path) {
    const QString resolved = stringByResolvingSymlinksInPath(path);
    return resolved.isEmpty() ? path : resolved;
}

QString stringByResolvingLinksInPath(const QString &path) {
    if (path.isEmpty())
        return path;
    const QString resolved = stringByResolvingSymlinksInPath(path);
    QString result = QStringLiteral("");
    for (const QString &component : standardizedPathComponents(resolved))
        result = stringByAppendingPathComponent(result, component);
    if (result.isEmpty())
        result = QStringLiteral(".");
    return result == path ? path : result;
}

} // namespace filelib
