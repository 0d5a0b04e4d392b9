#include "internetlocations.h"

#include "addresses.h"
#include "filetypes.h"
#include "pathcomponents.h"
#include "propertylist.h"

#include "textlib/fastcompare.h"
#include "textlib/lines.h"
#include "textlib/trimming.h"

#include <QStringDecoder>
#include <QUrl>

namespace filelib {

namespace {

// Shortcut files are a line or two; a bigger one is something else.
constexpr qsizetype MaxShortcutBytes = 1024 * 1024;

bool equalNoCase(QStringView a, QStringView b) {
    return a.size() == b.size() && (a.isEmpty() || textlib::hasPrefixNoCase(a, b));
}

// The address as text, or null when the value is none of the accepted kinds.
QString addressText(const QVariant &address) {
    if (address.typeId() == QMetaType::QUrl) {
        const QUrl url = address.toUrl();
        return url.isEmpty() ? QString() : QString::fromUtf8(url.toEncoded());
    }
    if (address.typeId() == QMetaType::QString)
        return address.toString();
    return QString();
}

QString readShortcut(const QString &path, bool urlExtension) {
    const QByteArray bytes = readFileData(path, MaxShortcutBytes);
    if (bytes.isNull())
        return QString();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    const QStringList lines = textlib::lines(text);
    for (const QString &line : lines) {
        if (textlib::hasPrefixNoCase(line, u"URL="))
            return textlib::stringByTrimmingWhiteSpaces(line.sliced(4));
    }
    if (lines.size() == 1 && urlExtension) {
        const QString only = textlib::stringByTrimmingWhiteSpaces(lines.front());
        if (!only.isEmpty())
            return only;
    }
    return QString();
}

// A line break would end the URL= line early and start a line of its own (another URL= line
// too), so each one goes into the file percent-encoded, as an address holds it.
QString withEncodedLineBreaks(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (textlib::isFeed(c.unicode()))
            out += QString::fromLatin1(QString(c).toUtf8().toPercentEncoding());
        else
            out += c;
    }
    return out;
}

} // namespace

QStringList InternetLocationTypes() {
    return {QStringLiteral("'ilht'"),     QStringLiteral("'ilft'"),  QStringLiteral("'ilfi'"),
            QStringLiteral("'ilma'"),     QStringLiteral("'ilnw'"),  QStringLiteral("'ilaf'"),
            QStringLiteral("'ilat'"),     QStringLiteral("'ilns'"),  QStringLiteral("'ilge'"),
            QStringLiteral("'ilvn'"),     QStringLiteral("webloc"),  QStringLiteral("mailloc"),
            QStringLiteral("newsloc"),    QStringLiteral("fileloc"), QStringLiteral("ftploc"),
            QStringLiteral("inetloc"),    QStringLiteral("vncloc"),  QStringLiteral("url"),
            QStringLiteral("URL"),        QStringLiteral("'LINK'"),  QStringLiteral("webhistory"),
            QStringLiteral("webbookmark")};
}

bool isInternetLocationExtension(QStringView extension, QStringView type) {
    for (const char16_t *code : {u"'ilge'", u"'ilht'", u"'ilma'", u"'ilns'", u"'ilnw'", u"'LINK'",
                                 u"'ilaf'", u"'ilat'", u"'ilfi'", u"'ilft'"})
        if (type == QStringView(code))
            return true;
    for (const char16_t *ext : {u"webloc", u"mailloc", u"ftploc", u"inetloc", u"newsloc",
                                u"fileloc", u"vncloc", u"url", u"webhistory", u"webbookmark"})
        if (equalNoCase(extension, ext))
            return true;
    return false;
}

bool isInternetLocationFile(const QString &path) {
    return !path.isEmpty()
           && isInternetLocationExtension(pathExtension(path), typeCodeOfFile(path));
}

QString resolveInternetLocation(const QString &path, QString *name) {
    if (name)
        *name = QString();
    if (!isInternetLocationFile(path) || path.contains(QChar(u'\0')))
        return QString();
    const bool urlExtension = equalNoCase(pathExtension(path), u"url");
    if (urlExtension || typeCodeOfFile(path) == u"'LINK'")
        return readShortcut(path, urlExtension);
    const QVariantMap dict = readPropertyListDictionary(path);
    const QVariant address = dict.value(QStringLiteral("URL"));
    if (address.typeId() != QMetaType::QString)
        return QString();
    const QVariant title = dict.value(QStringLiteral("Name"));
    if (name && title.typeId() == QMetaType::QString)
        *name = title.toString();
    return address.toString();
}

QString pathExtensionForInternetLocation(const QVariant &address) {
    if (address.typeId() == QMetaType::QUrl) {
        const QUrl url = address.toUrl();
        if (url.isEmpty())
            return QString();
        if (url.isLocalFile())
            return QStringLiteral("fileloc");
        const QString scheme = url.scheme().toLower();
        if (scheme == u"http" || scheme == u"https")
            return QStringLiteral("webloc");
        if (scheme == u"ftp" || scheme == u"sftp" || scheme == u"ftps")
            return QStringLiteral("ftploc");
        if (scheme == u"mailto")
            return QStringLiteral("mailloc");
        if (scheme == u"news" || scheme == u"nntp")
            return QStringLiteral("newsloc");
        if (scheme == u"vnc")
            return QStringLiteral("vncloc");
        return QStringLiteral("inetloc");
    }
    if (address.typeId() != QMetaType::QString)
        return QString();
    const QString s = address.toString();
    if (isFileStringURL(s))
        return QStringLiteral("fileloc");
    if (isHTTPStringURL(s))
        return QStringLiteral("webloc");
    if (isFTPStringURL(s))
        return QStringLiteral("ftploc");
    if (isNewsStringURL(s))
        return QStringLiteral("newsloc");
    if (isMailStringURL(s))
        return QStringLiteral("mailloc");
    if (textlib::hasPrefixNoCase(s, u"vnc://"))
        return QStringLiteral("vncloc");
    if (s.isEmpty())
        return QString();
    return QStringLiteral("inetloc");
}

bool createInternetLocation(const QVariant &address, const QString &path) {
    const QString text = addressText(address);
    if (text.isEmpty() || path.isEmpty())
        return false;
    return writePropertyList(QVariantMap{{QStringLiteral("URL"), text}}, path, Atomically::No);
}

bool createURL(const QVariant &address, const QString &path) {
    const QString text = addressText(address);
    if (text.isNull() || path.isEmpty())
        return false;
    const QString content =
        QStringLiteral("[InternetShortCut]\nURL=") + withEncodedLineBreaks(text) + u'\n';
    return writeDataToPath(content.toUtf8(), path, Atomically::Yes);
}

} // namespace filelib
