#include "base64.h"

#include "charactersets.h"
#include "encodings.h"

#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <limits>

namespace textlib {

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Indexed by a unit's low eight bits; -1 outside the alphabet.
constexpr std::array<signed char, 256> Values = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(Alphabet[i])] = static_cast<signed char>(i);
    return values;
}();

int valueOf(char16_t c) {
    return Values[c & 0xFF];
}

// The 24 bits of the group of four units at i; units past the end and outside the alphabet
// count as 0.
quint32 groupAt(QStringView s, qsizetype i) {
    quint32 bits = 0;
    for (qsizetype k = i; k < i + 4; ++k)
        bits = bits << 6 | quint32(k < s.size() ? std::max(valueOf(s[k].unicode()), 0) : 0);
    return bits;
}

} // namespace

QString encodeBase64Bytes(const void *bytes, qsizetype length, char16_t padding) {
    if (!bytes || length < 1 || length > std::numeric_limits<qsizetype>::max() / 2)
        return {};
    const auto *in = static_cast<const unsigned char *>(bytes);
    const qsizetype rest = length % 3;
    const qsizetype units = length / 3 * 4 + (rest ? (padding ? 4 : rest + 1) : 0);
    QString out(units, Qt::Uninitialized);
    auto *d = reinterpret_cast<char16_t *>(out.data());
    const auto put = [&d](quint32 bits, qsizetype count) {
        for (qsizetype k = 0; k < count; ++k)
            *d++ = char16_t(Alphabet[(bits >> (18 - 6 * k)) & 63]);
    };
    qsizetype i = 0;
    for (; i + 3 <= length; i += 3)
        put(quint32(in[i]) << 16 | quint32(in[i + 1]) << 8 | in[i + 2], 4);
    if (rest == 0)
        return out;
    // The group the end cuts short reads zeros; its units beyond the input become padding.
    put(quint32(in[i]) << 16 | (rest == 2 ? quint32(in[i + 1]) << 8 : 0), rest + 1);
    if (padding != 0)
        std::fill_n(d, 3 - rest, padding);
    return out;
}

QString encodebase64(QStringView s) {
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QByteArray utf8 = encoder.encode(s);
    return encoder.hasError() ? QString() : encodeBase64Bytes(utf8.constData(), utf8.size(), 0);
}

QString encodedBase64Data(const QByteArray &data) {
    return encodeBase64Bytes(data.constData(), data.size(), u'=');
}

QString decodebase64UsingEncoding(const QString &s, quint64 encoding) {
    if (s.isEmpty())
        return s;
    QByteArray bytes;
    bytes.reserve((s.size() + 3) / 4 * 3);
    for (qsizetype i = 0; i < s.size(); i += 4) {
        const quint32 bits = groupAt(s, i);
        for (int shift = 16; shift >= 0; shift -= 8) {
            const char byte = char((bits >> shift) & 0xFF);
            if (byte == 0)
                return bytes.isEmpty() ? QString() : stringWithData(bytes, encoding);
            bytes.append(byte);
        }
    }
    return stringWithData(bytes, encoding);
}

QString decodebase64(const QString &s) {
    return decodebase64UsingEncoding(s, UTF8StringEncoding);
}

QByteArray decodedBase64Data(QStringView s) {
    if (s.isEmpty())
        return {};
    QByteArray bytes((s.size() + 3) / 4 * 3, Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < s.size(); i += 4) {
        const quint32 bits = groupAt(s, i);
        *out++ = char(bits >> 16);
        *out++ = char(bits >> 8);
        *out++ = char(bits);
    }
    qsizetype pads = 0;
    while (pads < s.size() && s[s.size() - 1 - pads] == u'=')
        ++pads;
    if (pads >= bytes.size())
        return {};
    bytes.chop(pads);
    return bytes;
}

bool isBase64String(QStringView s) {
    const CharacterSetRep white = whiteCharacterSetRep();
    qsizetype end = s.size();
    while (end > 0 && isMember(white, s[end - 1].unicode()))
        --end;
    return end > 0 && std::all_of(s.begin(), s.begin() + end, [](QChar c) {
               return valueOf(c.unicode()) >= 0;
           });
}

bool isAsciiData(const QByteArray &data) {
    return std::all_of(data.begin(), data.end(),
                       [](char byte) { return (static_cast<unsigned char>(byte) & 0x80) == 0; });
}

} // namespace textlib
