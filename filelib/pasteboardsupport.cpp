#include "pasteboardsupport.h"

#include "addresses.h"
#include "fileoperations.h"
#include "internetlocations.h"
#include "paths.h"
#include "propertylist.h"

#include "textlib/systemlog.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace filelib {

namespace {

bool sameType(const QString &a, const QString &b) {
    return !a.isNull() && PasteboardType::canonical(a) == b;
}

// Text that is no valid URL gives no address, so parsing is strict.
QUrl urlWithString(const QString &s) {
    if (s.isEmpty())
        return {};
    const QUrl url(s, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

QString absoluteString(const QUrl &url) {
    return url.toString(QUrl::FullyEncoded);
}

// Log text for a property-list value, in the old ASCII property-list style.
QString describe(const QVariant &value) {
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QStringList parts;
        for (const QVariant &item : value.toList())
            parts.append(describe(item));
        return u'(' + parts.join(QStringLiteral(", ")) + u')';
    }
    case QMetaType::QVariantMap: {
        QString text = QStringLiteral("{");
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            text += it.key() + QStringLiteral(" = ") + describe(it.value()) + QStringLiteral("; ");
        return text + u'}';
    }
    case QMetaType::QByteArray:
        return u'<' + QString::fromLatin1(value.toByteArray().toHex()) + u'>';
    default:
        return value.isValid() ? value.toString() : QStringLiteral("(null)");
    }
}

void logReadFailure(QStringView operation, QStringView receiverClass, const std::exception &e) {
    int status = 0;
    std::unique_ptr<char, void (*)(void *)> name(
        abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status), std::free);
    textlib::systemLog(exceptionLogLine(
        operation, receiverClass, QString::fromLocal8Bit(name ? name.get() : typeid(e).name()),
        QString::fromLocal8Bit(e.what()), textlib::callStack()));
}

// getURL after the type is chosen: a string, or the address of a one-address array.
QString addressOfType(const Pasteboard &pboard, const QString &type) {
    QVariant value = propertyListForType(pboard, type);
    if (!value.isValid())
        return pboard.stringForType(type);
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        const QVariantList list = value.toList();
        const auto noBase = [](const QVariant &base) {
            return !base.isValid()
                   || (base.typeId() == QMetaType::QString && base.toString().isEmpty());
        };
        if (list.size() == 1 || (list.size() == 2 && noBase(list.at(1))))
            value = list.first();
    }
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    textlib::systemLog(QStringLiteral("Unsupported URL data (%1): %2").arg(type, describe(value)));
    return {};
}

// An entry of a file list: a path, or an address that names no file.
struct FileListEntry {
    QString path;
    QUrl address;
};

// The entries of a file list: an array of paths, or the lines of a text/uri-list, where the
// desktop offers web addresses too.
QList<FileListEntry> fileListEntries(const Pasteboard &pboard) {
    QList<FileListEntry> entries;
    const QVariant plist = propertyListForType(pboard, FilenamesPboardType);
    if (plist.isValid()) {
        for (const QVariant &item : plist.toList()) {
            if (item.typeId() == QMetaType::QString && !item.toString().isEmpty())
                entries.append({item.toString(), {}});
        }
        return entries;
    }
    const QByteArray list = pboard.dataForType(FilenamesPboardType);
    for (const QByteArray &rawLine : list.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            entries.append({url.toLocalFile(), {}});
        else if (url.isValid() && !url.isLocalFile() && !url.scheme().isEmpty())
            entries.append({{}, url});
    }
    return entries;
}

// The address a location file holds, when it parses.
QUrl locationAddress(const QString &path) {
    return urlWithString(resolveInternetLocation(path));
}

// The addresses a file list stands for, in order: those its location files hold, and its
// entries that name no file.
QList<QUrl> fileListAddresses(const Pasteboard &pboard) {
    QList<QUrl> addresses;
    for (const FileListEntry &entry : fileListEntries(pboard)) {
        const QUrl url = entry.path.isNull() ? entry.address : locationAddress(entry.path);
        if (!url.isEmpty())
            addresses.append(url);
    }
    return addresses;
}

// What a URL writes of itself: its absolute string under URLPboardType.
void writeURL(const QUrl &url, Pasteboard &pboard) {
    pboard.setString(absoluteString(url), URLPboardType);
}

} // namespace

const QStringList &addressTypes() {
    static const QStringList types{URLPboardType, CorePasteboardFlavorTypeURL,
                                   AppleURLPasteboardType, PublicURLType};
    return types;
}

const QStringList &addressNameTypes() {
    static const QStringList types{CorePasteboardFlavorTypeURLName, PublicURLNameType};
    return types;
}

const QStringList &addressListSources() {
    static const QStringList types{WebURLsWithTitlesPboardType, FilenamesPboardType,
                                   StringPboardType};
    return types;
}

const QStringList &textTypes() {
    static const QStringList types{StringPboardType, TabularTextPboardType, HTMLPboardType};
    return types;
}

const QStringList &richTextTypes() {
    static const QStringList types{RTFDPboardType, RTFPboardType};
    return types;
}

MemoryPasteboard &findPasteboard() {
    static MemoryPasteboard pboard(FindPboard);
    return pboard;
}

void clearFindPboard() {
    findPasteboard().declareTypes({});
}

QString findPboardString() {
    const MemoryPasteboard &pboard = findPasteboard();
    return availableType(pboard, StringPboardType) ? pboard.stringForType(StringPboardType)
                                                   : QString();
}

void copyToFindPboard(const QString &s) {
    copyToPasteboard(s, findPasteboard());
}

bool availableType(const Pasteboard &pboard, const QString &type) {
    return !type.isNull() && pboard.types().contains(PasteboardType::canonical(type));
}

QString availableTypeFromArray(const Pasteboard &pboard, const QStringList &types) {
    const QStringList offered = pboard.types();
    for (const QString &type : types) {
        if (!type.isNull() && offered.contains(PasteboardType::canonical(type)))
            return type;
    }
    return {};
}

QVariant propertyListForType(const Pasteboard &pboard, const QString &type) {
    if (type.isNull())
        return {};
    const QByteArray data = pboard.dataForType(type);
    return data.isEmpty() ? QVariant() : propertyListFromData(data);
}

bool setPropertyList(Pasteboard &pboard, const QVariant &plist, const QString &type) {
    const QByteArray data = propertyListData(plist);
    return !data.isEmpty() && !type.isNull() && pboard.setData(data, type);
}

bool containsURLName(const Pasteboard &pboard) {
    return !availableTypeFromArray(pboard, addressNameTypes()).isNull();
}

QString URLName(const Pasteboard &pboard) {
    const QString type = availableTypeFromArray(pboard, addressNameTypes());
    return type.isNull() ? QString() : pboard.stringForType(type);
}

bool containsURL(const Pasteboard &pboard) {
    return !availableTypeFromArray(pboard, addressTypes()).isNull();
}

QString URL(const Pasteboard &pboard) {
    const QString type = availableTypeFromArray(pboard, addressTypes());
    return type.isNull() ? QString() : addressOfType(pboard, type);
}

bool containsURLs(const Pasteboard &pboard) {
    if (containsURL(pboard))
        return true;
    const QString type = availableTypeFromArray(pboard, addressListSources());
    if (type == StringPboardType) {
        const QString location = possibleInternetLocation(pboard.stringForType(type));
        return !location.isNull() && !URLWithStringOrPath(location).isEmpty();
    }
    if (type == WebURLsWithTitlesPboardType)
        return true;
    if (type == FilenamesPboardType)
        return !fileListAddresses(pboard).isEmpty();
    return false;
}

std::optional<AttributedString> attributedStringFromPasteboard(const Pasteboard *pboard) {
    if (!pboard)
        return std::nullopt;
    try {
        const QString type = availableTypeFromArray(*pboard, richTextTypes());
        if (type.isNull())
            return std::nullopt;
        const QByteArray data = pboard->dataForType(type);
        if (data.isNull())
            return std::nullopt;
        return type == RTFDPboardType ? AttributedString::fromRTFD(data)
                                      : AttributedString::fromRTF(data);
    } catch (const std::exception &e) {
        logReadFailure(u"attributedStringFromPasteboard:", u"AttributedString", e);
        return std::nullopt;
    }
}

void copyToPasteboard(const AttributedString &text, Pasteboard &pboard) {
    const bool attachments = text.containsAttachments();
    const QString &type = attachments ? RTFDPboardType : RTFPboardType;
    const QByteArray data =
        attachments ? text.RTFDFromRange(0, text.length()) : text.RTFFromRange(0, text.length());
    if (data.isEmpty())
        return;
    pboard.declareTypes({type});
    pboard.setData(data, type);
}

void copyToPasteboard(const QImage &image, Pasteboard &pboard) {
    if (image.isNull())
        return;
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setCompression(1); // LZW in Qt's TIFF plugin
    if (!writer.write(image) || data.isEmpty())
        return;
    pboard.declareTypes({TIFFPboardType});
    pboard.setData(data, TIFFPboardType);
}

std::optional<QList<QUrl>> URLsFromPasteboard(const Pasteboard &pboard, const QString &type) {
    if (sameType(type, URLPboardType)) {
        if (!availableType(pboard, URLPboardType))
            return std::nullopt;
        const QUrl url = urlWithString(addressOfType(pboard, URLPboardType));
        return url.isEmpty() ? std::nullopt : std::optional(QList<QUrl>{url});
    }
    if (sameType(type, StringPboardType)) {
        const QString location = possibleInternetLocation(pboard.stringForType(StringPboardType));
        const QUrl url = location.isNull() ? QUrl() : URLWithStringOrPath(location);
        return url.isEmpty() ? std::nullopt : std::optional(QList<QUrl>{url});
    }
    if (sameType(type, FilenamesPboardType))
        return fileListAddresses(pboard);
    return std::nullopt;
}

void copyURLsToPasteboard(const QList<QUrl> &urls, Pasteboard &pboard, const QStringList &titles) {
    if (urls.isEmpty())
        return;
    if (urls.size() == 1) {
        copyToPasteboard(urls.first(), pboard, titles.isEmpty() ? QString() : titles.first());
        return;
    }
    QStringList names = titles;
    QStringList addresses;
    QString text;
    for (const QUrl &url : urls) {
        if (titles.isEmpty())
            names.append(displayString(url));
        addresses.append(absoluteString(url));
        text += absoluteStringOrPath(url) + u'\n';
    }
    pboard.declareTypes({WebURLsWithTitlesPboardType, StringPboardType});
    setPropertyList(pboard, QVariantList{addresses, names}, WebURLsWithTitlesPboardType);
    pboard.setString(text, StringPboardType);
}

void copyToPasteboard(const QUrl &url, Pasteboard &pboard) {
    // Like a message to nil: no address, nothing written.
    if (url.isEmpty())
        return;
    pboard.declareTypes({URLPboardType, StringPboardType});
    writeURL(url, pboard);
    pboard.setString(absoluteStringOrPath(url), StringPboardType);
}

void copyToPasteboard(const QUrl &url, Pasteboard &pboard, const QString &title,
                      const QVariant &bookmark) {
    if (url.isEmpty())
        return;
    const QString address = absoluteString(url);
    const QString name = title.isEmpty() ? displayString(url) : title;
    // A bookmark that is no property list counts as none, rather than a declared empty type.
    const QByteArray bookmarkData = propertyListData(bookmark);
    QStringList types{StringPboardType, URLPboardType, CorePasteboardFlavorTypeURL,
                      CorePasteboardFlavorTypeURLName, WebURLsWithTitlesPboardType};
    if (!bookmarkData.isEmpty())
        types.append(BookmarksPboardType);
    pboard.declareTypes(types);
    writeURL(url, pboard);
    pboard.setString(address, CorePasteboardFlavorTypeURL);
    pboard.setString(stringByCreatingFilename(name), CorePasteboardFlavorTypeURLName);
    setPropertyList(pboard, QVariantList{QStringList{address}, QStringList{name}},
                    WebURLsWithTitlesPboardType);
    if (!bookmarkData.isEmpty())
        pboard.setData(bookmarkData, BookmarksPboardType);
    pboard.setString(address, StringPboardType);
}

QString stringFromPasteboard(const Pasteboard *pboard) {
    if (!pboard)
        return {};
    try {
        const QString type = availableTypeFromArray(*pboard, textTypes());
        return type.isNull() ? QString() : pboard->stringForType(type);
    } catch (const std::exception &e) {
        logReadFailure(u"stringFromPasteboard:", u"QString", e);
        return {};
    }
}

void copyToPasteboard(const QString &s, Pasteboard &pboard) {
    // A null string is no string at all: nothing to write.
    if (s.isNull())
        return;
    pboard.declareTypes({StringPboardType});
    pboard.setString(s, StringPboardType);
}

QString fileTypeForPboardType(const QString &type) {
    if (type.isNull())
        return {};
    struct Row {
        QStringList types;
        const char16_t *extension;
    };
    static const Row rows[] = {
        {{TIFFPboardType, QStringLiteral("public.tiff")}, u"tiff"},
        {{ApplePNGPasteboardType, QStringLiteral("public.png")}, u"png"},
        {{QStringLiteral("public.jpeg-2000")}, u"jp2"},
        {{QStringLiteral("public.jpeg")}, u"jpeg"},
        {{PDFPboardType}, u"pdf"},
        {{PostScriptPboardType}, u"ps"},
        {{HTMLPboardType}, u"html"},
        {{RTFPboardType}, u"rtf"},
        {{RTFDPboardType}, u"rtfd"},
        {{StringPboardType}, u"txt"},
        {{TabularTextPboardType}, u"csv"},
        {{VCardPboardType}, u"vcf"},
        {addressTypes(), u"url"},
        {{AppleWebArchivePasteboardType}, u"webarchive"},
    };
    const QString name = PasteboardType::canonical(type);
    for (const Row &row : rows) {
        if (row.types.contains(name))
            return QString::fromUtf16(row.extension);
    }
    return {};
}

bool writeIndexesToPasteboard(const QList<quint64> &indexes, Pasteboard &pboard,
                              const QString &type) {
    if (indexes.isEmpty() || type.isEmpty())
        return false;
    QList<quint64> sorted = indexes;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QVariantList list;
    for (quint64 index : sorted)
        list.append(QVariant::fromValue(index));
    const QByteArray data = propertyListData(list);
    if (data.isEmpty())
        return false;
    pboard.declareTypes({type});
    return pboard.setData(data, type);
}

} // namespace filelib
