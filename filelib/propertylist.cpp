#include "propertylist.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace filelib {

namespace {

// Property lists count dates from 2001-01-01 UTC in 32-bit seconds.
constexpr qint64 ReferenceDateMs = 978307200000;
// Location and lock files are tiny; the caps keep a wrong file or hostile input from costing
// memory or stack.
constexpr qsizetype MaxBytes = 64 * 1024 * 1024;
constexpr int MaxDepth = 256;

using PlistPtr = std::unique_ptr<void, void (*)(plist_t)>;

QString takeString(char *utf8) {
    const QString s = QString::fromUtf8(utf8);
    std::free(utf8);
    return s;
}

// libplist keeps every integer as 64 bits and only marks internally whether one above
// INT64_MAX is unsigned; its XML form tells.
bool isNegative(plist_t node) {
    const PlistPtr copy(plist_copy(node), plist_free);
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(copy.get(), &xml, &length);
    const bool negative = xml && QByteArrayView(xml, length).contains("<integer>-");
    if (xml)
        plist_to_xml_free(xml);
    return negative;
}

QVariant fromPlist(plist_t node, int depth);

QDateTime dateFromPlist(plist_t node) {
    int32_t seconds = 0, micro = 0;
    plist_get_date_val(node, &seconds, &micro);
    // The fraction comes without its sign, so a date before 2001 is seconds minus it.
    const qint64 fraction = micro / 1000;
    const qint64 ms =
        ReferenceDateMs + qint64(seconds) * 1000 + (seconds < 0 ? -fraction : fraction);
    // Earlier dates saturate at the first second; a fraction before it could not be
    // written back.
    constexpr qint64 earliest = ReferenceDateMs + qint64(INT32_MIN) * 1000;
    return QDateTime::fromMSecsSinceEpoch(std::max(ms, earliest), Qt::UTC);
}

// Null when some item cannot be read.
QVariant listFromPlist(plist_t node, int depth) {
    QVariantList list;
    plist_array_iter it = nullptr;
    plist_array_new_iter(node, &it);
    for (plist_t item = nullptr;;) {
        plist_array_next_item(node, it, &item);
        if (!item)
            break;
        const QVariant value = fromPlist(item, depth + 1);
        if (!value.isValid()) {
            std::free(it);
            return QVariant();
        }
        list.append(value);
    }
    std::free(it);
    return list;
}

// Null when some value cannot be read.
QVariant mapFromPlist(plist_t node, int depth) {
    QVariantMap map;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    for (;;) {
        char *key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        if (!item) {
            std::free(key);
            break;
        }
        const QString name = key ? takeString(key) : QString(QLatin1StringView(""));
        const QVariant value = fromPlist(item, depth + 1);
        if (!value.isValid()) {
            std::free(it);
            return QVariant();
        }
        map.insert(name, value);
    }
    std::free(it);
    return map;
}

QVariant fromPlist(plist_t node, int depth) {
    if (!node || depth > MaxDepth)
        return QVariant();
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value <= uint64_t(std::numeric_limits<qint64>::max()) || isNegative(node))
            return qint64(value);
        return quint64(value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *value = plist_get_string_ptr(node, &length);
        return value ? QString::fromUtf8(value, qsizetype(length)) : QString(QLatin1StringView(""));
    }
    case PLIST_DATE:
        return dateFromPlist(node);
    case PLIST_DATA: {
        char *value = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &value, &length);
        const QByteArray bytes = value ? QByteArray(value, qsizetype(length)) : QByteArray("");
        std::free(value);
        return bytes;
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariantMap{{QStringLiteral("CF$UID"), quint64(value)}};
    }
    case PLIST_ARRAY:
        return listFromPlist(node, depth);
    case PLIST_DICT:
        return mapFromPlist(node, depth);
    default:
        return QVariant();
    }
}

// What libplist's readers are spared: they recurse once per level, so deep nesting ends in a
// stack overflow (XML) or minutes of work (binary), and the binary reader parses an object
// again for every reference to it, so a few shared arrays can stand for billions of nodes.
constexpr quint64 MaxNodes = 1 << 20;

// Deepest element nesting of XML text, counted by tags alone (comments may count too).
int xmlDepth(QByteArrayView data) {
    int depth = 0, deepest = 0;
    for (qsizetype i = data.indexOf('<'); i >= 0 && i + 1 < data.size();
         i = data.indexOf('<', i + 1)) {
        const char next = data[i + 1];
        if (next == '/') {
            depth = std::max(depth - 1, 0);
        } else if (next != '?' && next != '!') {
            const qsizetype end = data.indexOf('>', i);
            if (end < 0)
                break;
            if (data[end - 1] != '/')
                deepest = std::max(deepest, ++depth);
        }
    }
    return deepest;
}

struct BinaryReader {
    const uchar *bytes;
    quint64 table; // where the offset table starts: every object lies before it
    int refSize;

    static quint64 number(const uchar *p, int size) {
        quint64 value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | p[i];
        return value;
    }
    // The element count after the marker at at, moving at past it; false when it is broken.
    bool count(quint64 &at, quint64 &n) const {
        n = bytes[at++] & 0xF;
        if (n != 0xF)
            return true;
        if (at >= table || (bytes[at] >> 4) != 0x1 || (bytes[at] & 0xF) > 3)
            return false;
        const int size = 1 << (bytes[at] & 0xF);
        if (at + 1 + quint64(size) > table)
            return false;
        n = number(bytes + at + 1, size);
        at += 1 + quint64(size);
        return true;
    }
};

// Whether the objects reachable from top nest at most MaxDepth deep and expand to at most
// MaxNodes, by a depth-first walk without recursion; a cycle is refused. children holds each
// object's children as a range of offsets into refs.
bool reachableWithinLimits(quint64 top, const std::vector<quint64> &refs,
                           const std::vector<std::pair<size_t, size_t>> &children) {
    const size_t count = children.size();
    enum : uchar { Unseen, Open, Done };
    std::vector<uchar> state(count, Unseen);
    std::vector<quint64> depth(count, 1), nodes(count, 1);
    std::vector<std::pair<quint64, size_t>> stack{{top, children[top].first}};
    state[top] = Open;
    while (!stack.empty()) {
        auto &[object, next] = stack.back();
        if (next < children[object].second) {
            const quint64 child = refs[next++];
            if (state[child] == Open)
                return false;
            if (state[child] == Unseen) {
                state[child] = Open;
                stack.emplace_back(child, children[child].first);
            }
            continue;
        }
        for (size_t j = children[object].first; j < children[object].second; ++j) {
            depth[object] = std::max(depth[object], depth[refs[j]] + 1);
            nodes[object] = std::min(nodes[object] + nodes[refs[j]], MaxNodes + 1);
        }
        if (depth[object] > quint64(MaxDepth) || nodes[object] > MaxNodes)
            return false;
        state[object] = Done;
        stack.pop_back();
    }
    return true;
}

// Whether libplist may read the binary list: its object table is sound, no string holds a NUL
// (libplist hands keys out only through a call that asserts there is none), and the objects
// reachable from the top nest at most MaxDepth deep and expand to at most MaxNodes.
bool binaryListIsSafe(QByteArrayView data) {
    const auto *bytes = reinterpret_cast<const uchar *>(data.data());
    const quint64 size = quint64(data.size());
    if (size < 8 + 32)
        return false;
    const uchar *trailer = bytes + size - 32;
    const int offsetSize = trailer[6];
    const BinaryReader in{bytes, BinaryReader::number(trailer + 24, 8), trailer[7]};
    const quint64 count = BinaryReader::number(trailer + 8, 8);
    const quint64 top = BinaryReader::number(trailer + 16, 8);
    if (offsetSize < 1 || offsetSize > 8 || in.refSize < 1 || in.refSize > 8 || in.table > size - 32
        || count > (size - 32 - in.table) / quint64(offsetSize) || top >= count)
        return false;
    // Each object's children, as a range of offsets into refs.
    std::vector<quint64> refs;
    std::vector<std::pair<size_t, size_t>> children(count);
    for (quint64 i = 0; i < count; ++i) {
        quint64 at = BinaryReader::number(bytes + in.table + i * quint64(offsetSize), offsetSize);
        if (at < 8 || at >= in.table)
            return false;
        const int kind = bytes[at] >> 4;
        const bool string = kind == 0x5 || kind == 0x6;
        const bool container = kind == 0xA || kind == 0xB || kind == 0xC || kind == 0xD;
        if (!string && !container)
            continue;
        quint64 n = 0;
        if (!in.count(at, n))
            return false;
        const quint64 unit = kind == 0x6   ? 2
                             : kind == 0xD ? 2 * quint64(in.refSize)
                             : container   ? quint64(in.refSize)
                                           : 1;
        if (n > (in.table - at) / unit)
            return false;
        if (string) {
            for (quint64 j = 0; j < n; ++j)
                if (bytes[at + j * unit] == 0 && bytes[at + j * unit + unit - 1] == 0)
                    return false;
            continue;
        }
        const quint64 total = kind == 0xD ? 2 * n : n;
        children[i].first = refs.size();
        for (quint64 j = 0; j < total; ++j) {
            const quint64 ref =
                BinaryReader::number(bytes + at + j * quint64(in.refSize), in.refSize);
            if (ref >= count)
                return false;
            refs.push_back(ref);
        }
        children[i].second = refs.size();
    }
    return reachableWithinLimits(top, refs, children);
}

// libplist cuts its strings at the first NUL, so a string holding one would be stored cut.
bool toUtf8(const QString &s, QByteArray &utf8) {
    if (s.contains(QChar(u'\0')))
        return false;
    utf8 = s.toUtf8();
    return true;
}

plist_t unsignedToPlist(quint64 n) {
    if (n <= quint64(std::numeric_limits<qint64>::max()))
        return plist_new_uint(n);
    // plist_new_uint() would be written as a negative number; only the XML reader marks
    // a node as unsigned.
    const QByteArray xml = "<plist><integer>" + QByteArray::number(n) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
    return node;
}

// Null for dates the format cannot hold.
plist_t dateToPlist(const QDateTime &date) {
    if (!date.isValid())
        return nullptr;
    const qint64 ms = date.toMSecsSinceEpoch() - ReferenceDateMs;
    const qint64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    if (seconds < std::numeric_limits<int32_t>::min()
        || seconds > std::numeric_limits<int32_t>::max())
        return nullptr;
    // The XML form keeps whole seconds; libplist would round the rest its own way.
    return plist_new_date(int32_t(seconds), 0);
}

plist_t toPlist(const QVariant &value, int depth) {
    if (depth > MaxDepth)
        return nullptr;
    switch (value.typeId()) {
    case QMetaType::QString: {
        QByteArray utf8;
        return toUtf8(value.toString(), utf8) ? plist_new_string(utf8.constData()) : nullptr;
    }
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        // Stored as 64 bits and written back signed, so negative numbers survive.
        return plist_new_uint(quint64(value.toLongLong()));
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return unsignedToPlist(value.toULongLong());
    case QMetaType::Float:
    case QMetaType::Double:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), quint64(bytes.size()));
    }
    case QMetaType::QDateTime:
        return dateToPlist(value.toDateTime());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        PlistPtr array(plist_new_array(), plist_free);
        for (const QVariant &item : value.toList()) {
            plist_t node = toPlist(item, depth + 1);
            if (!node)
                return nullptr;
            plist_array_append_item(array.get(), node);
        }
        return array.release();
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        PlistPtr dict(plist_new_dict(), plist_free);
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            QByteArray key;
            if (!toUtf8(it.key(), key))
                return nullptr;
            plist_t node = toPlist(it.value(), depth + 1);
            if (!node)
                return nullptr;
            plist_dict_set_item(dict.get(), key.constData(), node);
        }
        return dict.release();
    }
    default:
        return nullptr;
    }
}

bool usablePath(const QString &path) {
    return !path.isEmpty() && !path.contains(QChar(u'\0'));
}

} // namespace

QVariant propertyListFromData(const QByteArray &data) {
    if (data.isEmpty() || data.size() > MaxBytes)
        return QVariant();
    // XML has no place for a NUL, and libplist's reader would pass one into keys and strings.
    const bool safe = data.startsWith("bplist00")
                          ? binaryListIsSafe(data)
                          : !data.contains('\0') && xmlDepth(data) <= MaxDepth + 1;
    if (!safe)
        return QVariant();
    plist_t root = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &root);
    const PlistPtr owner(root, plist_free);
    return fromPlist(root, 0);
}

QByteArray readFileData(const QString &path, qsizetype maxBytes) {
    // Devices and pipes are no small files, and reading one might never end.
    const QFileInfo info(path);
    if (!usablePath(path) || !info.isFile() || info.size() > maxBytes)
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // Sized by the file, not by the cap: a buffer of the cap would be allocated every time.
    QByteArray data = file.read(qMin(qint64(maxBytes), file.size()) + 1);
    if (data.size() > maxBytes || file.error() != QFileDevice::NoError)
        return QByteArray();
    if (data.isNull())
        data = QByteArray("");
    return data;
}

QVariant readPropertyList(const QString &path) {
    return propertyListFromData(readFileData(path, MaxBytes));
}

QVariantMap readPropertyListDictionary(const QString &path, bool *ok) {
    const QVariant value = readPropertyList(path);
    const bool isMap = value.typeId() == QMetaType::QVariantMap;
    if (ok)
        *ok = isMap;
    return isMap ? value.toMap() : QVariantMap();
}

QByteArray propertyListData(const QVariant &object) {
    const PlistPtr root(toPlist(object, 0), plist_free);
    if (!root)
        return QByteArray();
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return QByteArray();
    const QByteArray bytes(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return bytes;
}

bool writeDataToPath(const QByteArray &data, const QString &path, Atomically atomically) {
    if (data.isNull() || !usablePath(path))
        return false;
    if (atomically == Atomically::Yes) {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size()
        || !file.flush())
        return false;
    file.close();
    return file.error() == QFileDevice::NoError;
}

bool writePropertyList(const QVariant &object, const QString &path, Atomically atomically) {
    return writeDataToPath(propertyListData(object), path, atomically);
}

} // namespace filelib
