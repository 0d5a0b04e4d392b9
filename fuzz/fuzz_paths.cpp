// Path clean-up and file names made from any text: names stay within the file-system limit,
// never split a surrogate pair and hold no separator; clean-up is stable and never climbs
// above the root.
#include "fuzzinput.h"

#include "filelib/pathcomponents.h"
#include "filelib/paths.h"

#include <QStringList>

#include <cstdlib>

namespace {

bool splitsPair(const QString &s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        const bool high = s[i].isHighSurrogate(), low = s[i].isLowSurrogate();
        if (high && (i + 1 == s.size() || !s[i + 1].isLowSurrogate()))
            return true;
        if (low && (i == 0 || !s[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);

    const QString name = filelib::stringByCreatingFilename(text);
    if (name.toUtf8().size() > 249 || name.contains(u'/') || name.contains(QChar(0)))
        std::abort();
    if (!splitsPair(text) && splitsPair(name))
        std::abort();
    const QString represented = filelib::stringByCreatingFileSystemRepresentation(text);
    if (represented.toUtf8().size() > 249 || !text.startsWith(represented))
        std::abort();

    const QString clean = filelib::standardizedPath(text);
    if (filelib::standardizedPath(clean) != clean)
        std::abort();
    const QStringList components = filelib::standardizedPathComponents(text);
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString &c = components[i];
        if (c.isEmpty() || c == u"." || (c == u"/" && i > 0)
            || (c == u".." && text.startsWith(u'/')))
            std::abort();
    }

    // Every absolute path below the root lies in its own parent folder.
    const QString parent = filelib::stringByDeletingLastPathComponent(clean);
    if (clean.startsWith(u'/') && parent.size() > 1 && !filelib::pathIsInDirectory(clean, parent))
        std::abort();
    (void)filelib::relativePathToDirectory(text, parent);
    (void)filelib::lowercasePathExtension(text);
    (void)filelib::validPathExtension(text);
    (void)filelib::pathComponents(text);
    return 0;
}
