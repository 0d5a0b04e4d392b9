#include "filetypes.h"

#include "defaults.h"

#include "textlib/fastcompare.h"

#include <array>
#include <initializer_list>

namespace filelib {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array<QStringView, 123> builtInTextExtensions{
    u"tex",         u"bibtex",      u"f",
    u"for",         u"f77",         u"f90",
    u"fpp",         u"x",           u"v",
    u"c",           u"cpp",         u"hpp",
    u"cp",          u"m",           u"mm",
    u"swift",       u"h",           u"java",
    u"applescript", u"pl",          u"py",
    u"pm",          u"js",          u"lisp",
    u"tcl",         u"text",        u"txt",
    u"org",         u"csv",         u"tsv",
    u"tdf",         u"tab",         u"vcf",
    u"css",         u"seq",         u"log",
    u"strings",     u"scriptsuite", u"scriptterminology",
    u"agentSet",    u"sdef",        u"sh",
    u"rc",          u"hlp",         u"bib",
    u"cls",         u"ml",          u"mli",
    u"mly",         u"sty",         u"mll",
    u"sql",         u"sqc",         u"cmd",
    u"lst",         u"con",         u"tab",
    u"bat",         u"err",         u"pp",
    u"p",           u"pas",         u"inc",
    u"command",     u"pir",         u"sw",
    u"swiss",       u"gb",          u"genbank",
    u"em",          u"embl",        u"fasta",
    u"gff",         u"aln",         u"msf",
    u"xchatlog",    u"conf",        u"cfg",
    u"config",      u"template",    u"lpd",
    u"wrl",         u"hs",          u"lhs",
    u"ss",          u"scm",         u"mis",
    u"xd",          u"ans",         u"rb",
    u"ads",         u"adb",         u"erl",
    u"hrl",         u"crash",       u"diag",
    u"hang",        u"textile",     u"markdown",
    u"mdtext",      u"mdown",       u"mark",
    u"mkdown",      u"mmd",         u"mdwn",
    u"md",          u"json",        u"dot",
    u"nb",          u"haml",        u"sass",
    u"taskpaper",   u"ft",          u"xqy",
    u"xq",          u"pgn",         u"entitlements",
    u"lua",         u"srt",         u"mediawiki",
    u"asciidoc",    u"rst",         u"fountain"};

constexpr std::array<QStringView, 4> textTypeCodes{u"'TERO'", u"'TEXT'", u"'ttro'", u"'sEXT'"};

// Same length first: most entries are rejected without looking at a character.
bool sameNoCase(QStringView extension, QStringView entry) {
    return extension.size() == entry.size()
           && textlib::rangeIsEqualToNoCase(extension, {0, extension.size()}, entry);
}

bool isAnyNoCase(QStringView extension, std::initializer_list<QStringView> entries) {
    for (QStringView entry : entries) {
        if (sameNoCase(extension, entry))
            return true;
    }
    return false;
}

bool isTypeCode(QStringView entry) {
    return entry.size() == 6 && entry.front() == u'\'' && entry.back() == u'\'';
}

bool isAnyCode(QStringView type, std::initializer_list<QStringView> codes) {
    if (type.size() != 6)
        return false;
    for (QStringView code : codes) {
        if (type == code)
            return true;
    }
    return false;
}

QStringView extensionOf(QStringView path) {
    while (path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash ? path.sliced(dot + 1) : QStringView();
}

QStringList upperPairs(QStringList list, auto &&entries) {
    for (QStringView entry : entries) {
        list.append(entry.toString());
        list.append(entry.toString().toUpper());
    }
    return list;
}

} // namespace

QString typeCodeOfFile(const QString &) {
    return QString();
}

const QStringList &attributedFileTypes() {
    static const QStringList types{
        u"'W8BN'"_s, u"XML"_s,        u"'sEXT'"_s, u"odt"_s,  u"OTT"_s,        u"DOT"_s,
        u"docm"_s,   u"TXT"_s,        u"DOC"_s,    u"html"_s, u"HTM"_s,        u"xml"_s,
        u"SXW"_s,    u"DOCM"_s,       u"docx"_s,   u"ott"_s,  u"dot"_s,        u"'W8TN'"_s,
        u"'ttro'"_s, u"WEBARCHIVE"_s, u"HTML"_s,   u"dotm"_s, u"txt"_s,        u"doc"_s,
        u"STW"_s,    u"DOCX"_s,       u"htm"_s,    u"RTF"_s,  u"sxw"_s,        u"'TEXT'"_s,
        u"rtfd"_s,   u"DOTM"_s,       u"dotx"_s,   u"stw"_s,  u"webarchive"_s, u"ODT"_s,
        u"rtf"_s,    u"RTFD"_s,       u"DOTX"_s};
    return types;
}

bool isAttributedExtension(QStringView extension, QStringView type) {
    if (isAnyNoCase(extension, {u"text", u"txt"}))
        return isAnyCode(type, {u"'ttro'", u"'sEXT'"});
    if (isAnyCode(type, {u"'TEXT'"}))
        return false;
    // Extensions are matched only with extension entries and type codes with type-code
    // entries, so an extension written like a code ("'w8bn'") is not taken for one.
    const bool hasExtension = !extension.isEmpty();
    const bool hasType = type.size() == 6;
    for (const QString &entry : attributedFileTypes()) {
        if (isTypeCode(entry) ? hasType && type == entry
                              : hasExtension && sameNoCase(extension, entry))
            return true;
    }
    return false;
}

bool isAttributedFile(const QString &path) {
    return isAttributedExtension(extensionOf(path), typeCodeOfFile(path));
}

const QStringList &customTextFileTypes() {
    static const QStringList types = pathExtensionsForKey(UserDefaults::standardUserDefaults(),
                                                          u"AdditionalPlainTextExtensions"_s);
    return types;
}

QStringList textFileTypes() {
    QStringList types;
    types.reserve(qsizetype(textTypeCodes.size() + 2 * builtInTextExtensions.size())
                  + 2 * customTextFileTypes().size());
    for (QStringView code : textTypeCodes)
        types.append(code.toString());
    types = upperPairs(std::move(types), builtInTextExtensions);
    return upperPairs(std::move(types), customTextFileTypes());
}

bool isTextExtension(QStringView extension, QStringView type) {
    if (!extension.isEmpty()) {
        for (QStringView entry : builtInTextExtensions) {
            if (sameNoCase(extension, entry))
                return true;
        }
        for (const QString &entry : customTextFileTypes()) {
            if (sameNoCase(extension, entry))
                return true;
        }
    }
    if (!isAnyCode(type, {u"'TEXT'", u"'ttro'", u"'sEXT'", u"'TERO'"}))
        return false;
    return !isAnyNoCase(extension, {u"svg", u"eps", u"hqx", u"bin", u"sit", u"zip", u"skp", u"exe",
                                    u"hlp", u"ps", u"ai"});
}

bool isTextFile(const QString &path) {
    return isTextExtension(extensionOf(path), typeCodeOfFile(path));
}

QStringList openOfficeFileTypes() {
    return {u"odt"_s, u"ODT"_s, u"ott"_s, u"OTT"_s, u"stw"_s, u"STW"_s, u"sxw"_s, u"SXW"_s};
}

bool isOpenOfficeExtension(QStringView extension) {
    return isAnyNoCase(extension, {u"odt", u"ott", u"stw", u"sxw"});
}

bool isOpenOfficeFile(const QString &path) {
    return isOpenOfficeExtension(extensionOf(path));
}

QStringList wordFileTypes() {
    return {u"doc"_s, u"DOC"_s,  u"docm"_s, u"DOCM"_s, u"docx"_s, u"DOCX"_s,   u"dot"_s,
            u"DOT"_s, u"dotm"_s, u"DOTM"_s, u"dotx"_s, u"DOTX"_s, u"'W8TN'"_s, u"'W8BN'"_s};
}

bool isWordExtension(QStringView extension, QStringView type) {
    return isAnyNoCase(extension, {u"DOCX", u"DOTX", u"DOCM", u"DOTM", u"DOC", u"DOT"})
           || isAnyCode(type, {u"'W8TN'", u"'W8BN'"});
}

bool isWordFile(const QString &path) {
    return isWordExtension(extensionOf(path), typeCodeOfFile(path));
}

QStringList rtfFileTypes() {
    return {u"'ttro'"_s, u"'sEXT'"_s, u"rtf"_s, u"rtfd"_s, u"RTF"_s, u"RTFD"_s, u"'RTF '"_s};
}

bool isRTFExtension(QStringView extension, QStringView type) {
    return isAnyNoCase(extension, {u"RTFD", u"RTF"})
           || isAnyCode(type, {u"'RTF '", u"'ttro'", u"'sEXT'"});
}

bool isRTFFile(const QString &path) {
    return isRTFExtension(extensionOf(path), typeCodeOfFile(path));
}

QStringList textClippingTypes() {
    return {u"textClipping"_s, u"clipping"_s, u"'clpt'"_s};
}

bool isTextClippingExtension(QStringView extension, QStringView type) {
    return isAnyNoCase(extension, {u"textClipping", u"clipping"}) || isAnyCode(type, {u"'clpt'"});
}

bool isTextClippingFile(const QString &path) {
    return isTextClippingExtension(extensionOf(path), typeCodeOfFile(path));
}

} // namespace filelib
