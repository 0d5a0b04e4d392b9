// Reading RTF into styled text: a tokenizer and a stack of group states.
#include "styledtext/attributedstring.h"
#include "styledtext/codepages_p.h"
#include "styledtext/rtfappend.h"

#include "textlib/characters.h"

#include <QByteArrayView>
#include <QHash>
#include <QSizeF>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace styledtext {
namespace {

struct Token {
    enum Type { GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text, Binary, End, Bad };
    Type type = End;
    QByteArrayView word; // control word name; text or binary bytes
    bool hasParameter = false;
    int parameter = 0;
    char symbol = 0;
    uchar byte = 0;

    static Token of(Type type) {
        Token token;
        token.type = type;
        return token;
    }
};

using textlib::hexDigitValue;
using textlib::isAsciiDigit;
using textlib::isAsciiLetter;

class Tokenizer {
public:
    explicit Tokenizer(QByteArrayView data)
        : m_data(data) {}

    qsizetype position() const { return m_pos; }
    /// Where a view into the data starts.
    qsizetype offsetOf(QByteArrayView part) const { return part.data() - m_data.data(); }

    Token next() {
        const qsizetype size = m_data.size();
        const char *const data = m_data.data();
        while (m_pos < size) {
            const char c = data[m_pos];
            switch (c) {
            case '{':
                ++m_pos;
                return Token::of(Token::GroupStart);
            case '}':
                ++m_pos;
                return Token::of(Token::GroupEnd);
            case '\r':
            case '\n':
                ++m_pos; // line breaks in the source carry no meaning
                continue;
            case '\\': {
                if (m_pos + 1 >= size)
                    return Token::of(Token::Bad);
                const char d = data[m_pos + 1];
                if (isAsciiLetter(d))
                    return controlWord();
                if (d == '\'') {
                    if (m_pos + 3 < size && hexDigitValue(data[m_pos + 2]) >= 0
                        && hexDigitValue(data[m_pos + 3]) >= 0) {
                        Token token = Token::of(Token::HexByte);
                        token.byte = uchar(hexDigitValue(data[m_pos + 2]) * 16
                                           + hexDigitValue(data[m_pos + 3]));
                        m_pos += 4;
                        return token;
                    }
                    // A broken escape is dropped; what follows reads as text.
                    m_pos += 2;
                    continue;
                }
                Token token = Token::of(Token::ControlSymbol);
                token.symbol = d;
                m_pos += 2;
                return token;
            }
            default: {
                // Text is most of a document: one look-up a byte finds where it ends.
                static constexpr auto endsText = [] {
                    std::array<bool, 256> table{};
                    for (const char e : {'{', '}', '\\', '\r', '\n'})
                        table[uchar(e)] = true;
                    return table;
                }();
                const qsizetype start = m_pos;
                while (m_pos < size && !endsText[uchar(data[m_pos])])
                    ++m_pos;
                Token token = Token::of(Token::Text);
                token.word = m_data.sliced(start, m_pos - start);
                return token;
            }
            }
        }
        return Token::of(Token::End);
    }

private:
    Token controlWord() {
        const qsizetype size = m_data.size();
        qsizetype pos = m_pos + 1;
        const qsizetype start = pos;
        while (pos < size && isAsciiLetter(m_data[pos]))
            ++pos;
        Token token = Token::of(Token::ControlWord);
        // Names are at most 32 letters; longer ones match nothing.
        token.word = m_data.sliced(start, std::min<qsizetype>(pos - start, 33));
        bool negative = false;
        if (pos + 1 < size && m_data[pos] == '-' && isAsciiDigit(m_data[pos + 1])) {
            negative = true;
            ++pos;
        }
        if (pos < size && isAsciiDigit(m_data[pos])) {
            qint64 value = 0;
            while (pos < size && isAsciiDigit(m_data[pos])) {
                value = std::min<qint64>(value * 10 + (m_data[pos] - '0'), qint64(1) << 40);
                ++pos;
            }
            if (negative)
                value = -value;
            token.hasParameter = true;
            token.parameter = int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
        }
        if (pos < size && m_data[pos] == ' ')
            ++pos; // the delimiting space belongs to the word
        m_pos = pos;
        if (token.word == "bin" && token.hasParameter) {
            // Raw bytes follow; a count past the end means the data was cut off.
            if (token.parameter < 0 || token.parameter > size - m_pos)
                return Token::of(Token::Bad);
            Token binary = Token::of(Token::Binary);
            binary.word = m_data.sliced(m_pos, token.parameter);
            m_pos += token.parameter;
            return binary;
        }
        return token;
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

enum class Dest {
    Text,    // visible text
    Skip,    // ignored, with everything inside
    UprAnsi, // the ANSI half of \upr, ignored unless its \ud follows
    FontTable,
    ColorTable,
    Info,
    InfoField,        // \title, \author... inside \info
    FieldInstruction, // \fldinst
    Picture,
    PictureProperties, // \picprop
    ShapeProperty,     // \sp
    ShapeName,         // \sn
    ShapeValue,        // \sv
};

struct State {
    Dest dest = Dest::Text;
    Dest uprOuter = Dest::Text;
    TextAttributes attributes; // fontFamily comes from fontIndex
    int fontIndex = -1;        // -1: the document's default font
    int unicodeSkip = 1;
    int fieldIndex = -1;
    bool ownsField = false;
    bool ownsShapeProperty = false;
    bool starred = false;  // \* seen: an unknown destination word skips the group
    bool tabsSet = false;  // a \tx since \pard: further ones add to it, not to the defaults
    bool optional = false; // opened by \*: readers that do not know the word skip the group
    int lineSpacing = 0;   // the last \sl, undone by a \slmult that makes it a multiple
    bool lineSpacingMadeStyle = false;
    QString infoKey;
};

struct Font {
    QString name;
    int codePage = 0;
};

struct Picture {
    QString mimeType;
    QString name;
    QByteArray data;
    int pendingNibble = -1;
    bool tooLarge = false;
};

// More tab stops than any line could use are dropped.
constexpr qsizetype MaximumTabStops = 1024;

double twipsToPoints(int twips) {
    return twips / 20.0;
}

// The paragraph style a paragraph control word changes, made on first use.
ParagraphStyle &paragraphStyle(TextAttributes &a) {
    if (!a.paragraphStyle)
        a.paragraphStyle.emplace();
    return *a.paragraphStyle;
}

// The control words this reader acts on.
// clang-format off
enum class Word {
    Unknown,
    SkippedDestination, // a destination whose contents are not text, even without \*
    Character,          // stands for one character
    Underline,          // \ul and its dotted, double, wavy... kinds
    Fonttbl, Colortbl, Info, Title, Author, Subject, Keywords, Doccomm,
    Field, Fldinst, Fldrslt, Pict, Shppict, Picprop, Sp, Sn, Sv, Upr, Ud,
    F, Fcharset, Cpg, U, Uc, Red, Green, Blue,
    Pngblip, Jpegblip, Emfblip, Wmetafile, Macpict, Dibitmap,
    Ansi, Mac, Pc, Pca, Ansicpg, Deff, Paperw, Paperh, Margl, Margr, Margt, Margb, Deftab,
    Plain, Fs, B, I, Ulnone, Ulc, Cf, Cb, Highlight, Pard, Sb, Sa, Sl, Slmult, Slmaximum, Tx, Par,
    // Ours, in ignorable destinations: what no standard word says.
    OwnLineBreak, OwnTightening, OwnNoTabs,
};
// clang-format on

struct WordInfo {
    Word word = Word::Unknown;
    char16_t character = 0;
};

WordInfo lookUp(QByteArrayView name) {
    static const std::unordered_map<std::string_view, WordInfo> words = [] {
        std::unordered_map<std::string_view, WordInfo> table;
        // clang-format off
        const std::pair<const char *, Word> plain[] = {
            {"fonttbl", Word::Fonttbl}, {"colortbl", Word::Colortbl}, {"info", Word::Info},
            {"title", Word::Title}, {"author", Word::Author}, {"subject", Word::Subject},
            {"keywords", Word::Keywords}, {"doccomm", Word::Doccomm}, {"field", Word::Field},
            {"fldinst", Word::Fldinst}, {"fldrslt", Word::Fldrslt}, {"pict", Word::Pict},
            {"shppict", Word::Shppict}, {"picprop", Word::Picprop}, {"sp", Word::Sp},
            {"sn", Word::Sn}, {"sv", Word::Sv}, {"upr", Word::Upr}, {"ud", Word::Ud},
            {"f", Word::F}, {"fcharset", Word::Fcharset}, {"cpg", Word::Cpg}, {"u", Word::U},
            {"uc", Word::Uc}, {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
            {"pngblip", Word::Pngblip}, {"jpegblip", Word::Jpegblip}, {"emfblip", Word::Emfblip},
            {"wmetafile", Word::Wmetafile}, {"macpict", Word::Macpict},
            {"dibitmap", Word::Dibitmap}, {"ansi", Word::Ansi}, {"mac", Word::Mac},
            {"pc", Word::Pc}, {"pca", Word::Pca}, {"ansicpg", Word::Ansicpg},
            {"deff", Word::Deff}, {"paperw", Word::Paperw}, {"paperh", Word::Paperh},
            {"margl", Word::Margl}, {"margr", Word::Margr}, {"margt", Word::Margt},
            {"margb", Word::Margb}, {"deftab", Word::Deftab}, {"plain", Word::Plain},
            {"fs", Word::Fs}, {"b", Word::B}, {"i", Word::I}, {"ulnone", Word::Ulnone},
            {"cf", Word::Cf}, {"cb", Word::Cb}, {"chcbpat", Word::Cb},
            {"highlight", Word::Highlight}, {"pard", Word::Pard}, {"sb", Word::Sb},
            {"sa", Word::Sa}, {"par", Word::Par}, {"ulc", Word::Ulc}, {"sl", Word::Sl},
            {"slmult", Word::Slmult}, {"slmaximum", Word::Slmaximum}, {"tx", Word::Tx},
            {"sumwiselinebreak", Word::OwnLineBreak}, {"sumwisetightening", Word::OwnTightening},
            {"sumwisenotabs", Word::OwnNoTabs},
        };
        // clang-format on
        for (const auto &[name, word] : plain)
            table[name] = WordInfo{word, 0};
        for (const char *name : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                                 "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                                 "ulthldash", "ululdbwave", "ulw", "ulwave"})
            table[name] = WordInfo{Word::Underline, 0};
        // A list item's number or bullet (listtext, pntext) is there for readers without lists;
        // nobody typed it, nor the tab after it.
        for (const char *name : {"stylesheet",   "listtable",   "listoverridetable",
                                 "revtbl",       "rsidtbl",     "filetbl",
                                 "pgdsctbl",     "themedata",   "colorschememapping",
                                 "latentstyles", "datastore",   "xmlnstbl",
                                 "generator",    "header",      "headerl",
                                 "headerr",      "headerf",     "footer",
                                 "footerl",      "footerr",     "footerf",
                                 "footnote",     "annotation",  "atnid",
                                 "atnauthor",    "atntime",     "atnref",
                                 "atrfstart",    "atrfend",     "xe",
                                 "tc",           "txe",         "rxe",
                                 "bkmkstart",    "bkmkend",     "template",
                                 "docvar",       "userprops",   "objdata",
                                 "objclass",     "objname",     "pn",
                                 "pntxta",       "pntxtb",      "ftnsep",
                                 "ftnsepc",      "ftncn",       "aftnsep",
                                 "aftnsepc",     "aftncn",      "nonshppict",
                                 "shpinst",      "mmathPr",     "fchars",
                                 "lchars",       "background",  "wgrffmtfilter",
                                 "listpicture",  "protusertbl", "fname",
                                 "falt",         "panose",      "leveltext",
                                 "levelnumbers", "blipuid",     "passwordhash",
                                 "pgptbl",       "oldcprops",   "oldpprops",
                                 "oldsprops",    "oldtprops",   "defchp",
                                 "defpap",       "listtext",    "pntext"})
            table[name] = WordInfo{Word::SkippedDestination, 0};
        const std::pair<const char *, char16_t> characters[] = {
            {"tab", u'\t'},
            {"line", 0x2028},
            {"page", 0x000C},
            {"emdash", 0x2014},
            {"endash", 0x2013},
            {"bullet", 0x2022},
            {"lquote", 0x2018},
            {"rquote", 0x2019},
            {"ldblquote", 0x201C},
            {"rdblquote", 0x201D},
            {"emspace", 0x2003},
            {"enspace", 0x2002},
            {"qmspace", 0x2005},
            {"zwj", 0x200D},
            {"zwnj", 0x200C},
            {"ltrmark", 0x200E},
            {"rtlmark", 0x200F},
            {"zwbo", 0x200B},
            // Tables read as tab-separated cells, one row a line.
            {"cell", u'\t'},
            {"nestcell", u'\t'},
            {"row", u'\n'},
            {"nestrow", u'\n'},
        };
        for (const auto &[name, character] : characters)
            table[name] = WordInfo{Word::Character, character};
        return table;
    }();
    const auto found = words.find(std::string_view(name.data(), size_t(name.size())));
    return found == words.end() ? WordInfo{} : found->second;
}

QString infoKeyFor(Word word) {
    switch (word) {
    case Word::Title:
        return DocumentAttribute::Title;
    case Word::Author:
        return DocumentAttribute::Author;
    case Word::Subject:
        return DocumentAttribute::Subject;
    case Word::Keywords:
        return DocumentAttribute::Keywords;
    case Word::Doccomm:
        return DocumentAttribute::Comment;
    default:
        return QString();
    }
}

QString pictureMimeType(Word word) {
    switch (word) {
    case Word::Pngblip:
        return QStringLiteral("image/png");
    case Word::Jpegblip:
        return QStringLiteral("image/jpeg");
    case Word::Emfblip:
        return QStringLiteral("image/emf");
    case Word::Wmetafile:
        return QStringLiteral("image/wmf");
    case Word::Macpict:
        return QStringLiteral("image/x-pict");
    case Word::Dibitmap:
        return QStringLiteral("image/x-dib");
    default:
        return QString();
    }
}

QString defaultPictureName(const QString &mimeType) {
    if (mimeType == QLatin1StringView("image/png"))
        return QStringLiteral("image.png");
    if (mimeType == QLatin1StringView("image/jpeg"))
        return QStringLiteral("image.jpg");
    if (mimeType == QLatin1StringView("image/emf"))
        return QStringLiteral("image.emf");
    if (mimeType == QLatin1StringView("image/wmf"))
        return QStringLiteral("image.wmf");
    if (mimeType == QLatin1StringView("image/x-pict"))
        return QStringLiteral("image.pict");
    return QStringLiteral("image.dib");
}

// The words of a field instruction, one at a time: a quoted word runs to the next quote.
class InstructionWords {
public:
    explicit InstructionWords(QStringView instruction)
        : m_text(instruction) {}

    std::optional<QStringView> next() {
        const qsizetype size = m_text.size();
        while (m_pos < size && m_text[m_pos].isSpace())
            ++m_pos;
        if (m_pos >= size)
            return std::nullopt;
        if (m_text[m_pos] == u'"') {
            const qsizetype end = m_text.indexOf(u'"', m_pos + 1);
            const qsizetype stop = end < 0 ? size : end;
            const QStringView word = m_text.sliced(m_pos + 1, stop - m_pos - 1);
            m_pos = std::min(stop + 1, size);
            return word;
        }
        const qsizetype start = m_pos;
        while (m_pos < size && !m_text[m_pos].isSpace() && m_text[m_pos] != u'"')
            ++m_pos;
        return m_text.sliced(start, m_pos - start);
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

// The address of a HYPERLINK field instruction: HYPERLINK "url" \l "anchor" \o "tip"...
std::optional<QUrl> hyperlinkTarget(QStringView instruction) {
    InstructionWords words(instruction);
    const std::optional<QStringView> first = words.next();
    if (!first || first->compare(QLatin1StringView("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    std::optional<QStringView> address; // the first word that is no option
    QStringView anchor;
    while (const std::optional<QStringView> w = words.next()) {
        if (w->size() == 2 && w->front() == u'\\') {
            const char16_t option = w->back().toLower().unicode();
            // \l names a bookmark; \o and \t take an argument that is no address.
            if (option == u'l') {
                if (const std::optional<QStringView> argument = words.next())
                    anchor = *argument;
            } else if (option == u'o' || option == u't') {
                words.next();
            }
        } else if (!address) {
            address = *w;
        }
    }
    QString text = address.value_or(QStringView()).toString();
    if (!anchor.isEmpty())
        text.append(u'#').append(anchor);
    if (text.isEmpty())
        return std::nullopt;
    const QUrl url(text);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

// What ended a character the reader found in the document's text.
enum class TextEnd { Character, Paragraph, Cell, Row };

// Where a character (or run) of the text lies in the data.
struct TextMark {
    qsizetype start = 0; // the token that produced it
    qsizetype end = 0;   // just after its last byte
    TextEnd kind = TextEnd::Character;
    int closesWith = -1; // the group after which text following it may go; -1: right after it
    int depth = 0;       // groups open around it
};

class RtfReader {
public:
    explicit RtfReader(QByteArrayView data)
        : m_tokens(data) {}

    std::optional<AttributedString> read(QVariantMap *documentAttributes);
    std::optional<qsizetype> appendPosition();

private:
    bool readRootGroup();
    void mark(TextEnd kind);
    State &state() { return m_states.back(); }
    bool handleToken(const Token &token);
    bool groupStart();
    bool groupEnd();
    void controlWord(QByteArrayView name, bool hasParameter, int parameter);
    // controlWord()'s parts, each for one kind of word; true when the word was theirs.
    bool destinationWord(State &s, Word word, bool starred);
    bool fieldOrPictureWord(State &s, Word word);
    bool tableWord(State &s, Word word, bool starred, bool hasParameter, int parameter);
    bool documentWord(Word word, bool hasParameter, int parameter);
    bool characterFormattingWord(State &s, Word word, bool hasParameter, int parameter);
    bool paragraphFormattingWord(State &s, Word word, bool hasParameter, int parameter);
    void specialCharacterWord(QByteArrayView name, const WordInfo &info, bool hasParameter,
                              int parameter);
    void controlSymbol(char symbol);
    void unicodeCharacter(bool hasParameter, int parameter);
    void textBytes(QByteArrayView bytes);
    void binaryBytes(QByteArrayView bytes);
    void flushPending();
    void emitText(QStringView text, TextEnd kind = TextEnd::Character);
    void emitCharacter(char16_t c, TextEnd kind = TextEnd::Character) {
        emitText(QStringView(&c, 1), kind);
    }
    int currentCodePage() const;
    TextAttributes currentAttributes() const;
    void commitFont();
    void commitColor();
    void finishPicture();
    std::optional<QColor> colorAt(int index) const;
    static void addTabStop(State &s, double position);
    static void ownParagraphWord(State &s, Word word, bool hasParameter, int parameter);

    Tokenizer m_tokens;
    std::vector<State> m_states;
    AttributedString m_result;
    QVariantMap m_document;
    CodePageDecoder m_decoder;
    QByteArray m_pending; // text bytes waiting to be decoded together (multi-byte code pages)
    int m_skip = 0;       // fallback bytes left to skip after \u
    int m_documentCodePage = 1252;
    int m_defaultFont = -1;
    bool m_rootClosed = false;
    // The attributes of text read now, kept from one character to the next until a control
    // word, a closing group or a font may change them; and whether the last run has them.
    TextAttributes m_current;
    bool m_currentValid = false;
    bool m_lastRunIsCurrent = false;

    // Where the text lies, for appending to the data in place.
    bool m_marking = false;
    std::vector<TextMark> m_marks; // the last few
    qsizetype m_tokenStart = 0, m_tokenEnd = 0;
    qsizetype m_pendingEnd = 0; // just after the last byte of m_pending
    bool m_flushing = false;
    bool m_skipExtendsMark = false; // a \u's fallback belongs to the character it marked
    qsizetype m_rootEnd = 0;        // the root group's closing brace
    bool m_rootEndsInText = true;   // whether text there would be read (no \pict, \upr...)

    QHash<int, Font> m_fonts;
    int m_tableFont = -1; // the font table entry being read
    QString m_tableFontName;

    QList<std::optional<QColor>> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    std::vector<QString> m_fieldInstructions;
    Picture m_picture;
    QString m_shapeName, m_shapeValue;
    QString m_infoText;
    std::optional<int> m_paperWidth, m_paperHeight;
};

bool RtfReader::readRootGroup() {
    // The header: "{\rtf" before anything else but white space.
    Token token = m_tokens.next();
    while (token.type == Token::Text && QByteArrayView(token.word).trimmed().isEmpty())
        token = m_tokens.next();
    if (token.type != Token::GroupStart)
        return false;
    token = m_tokens.next();
    if (token.type != Token::ControlWord || token.word != "rtf")
        return false;
    m_states.reserve(16); // most documents nest no deeper
    m_states.push_back(State{});
    for (;;) {
        m_tokenStart = m_tokens.position();
        token = m_tokens.next();
        m_tokenEnd = m_tokens.position();
        if (token.type == Token::End || token.type == Token::Bad)
            return false; // cut off before the outermost group closed
        if (!handleToken(token))
            return false;
        // Whatever follows the document (a stray brace, clipboard padding) is not part of it.
        if (m_rootClosed)
            return true;
    }
}

std::optional<AttributedString> RtfReader::read(QVariantMap *documentAttributes) {
    if (!readRootGroup())
        return std::nullopt;
    if (m_paperWidth || m_paperHeight)
        m_document.insert(DocumentAttribute::PaperSize,
                          QSizeF(twipsToPoints(m_paperWidth.value_or(12240)),
                                 twipsToPoints(m_paperHeight.value_or(15840))));
    if (documentAttributes)
        *documentAttributes = m_document;
    return std::move(m_result);
}

bool RtfReader::handleToken(const Token &token) {
    if (token.type == Token::GroupStart || token.type == Token::GroupEnd) {
        flushPending();
        m_skip = 0;
        return token.type == Token::GroupStart ? groupStart() : groupEnd();
    }
    if (m_skip > 0) {
        // The fallback after \u: each byte, escape or control word counts as one.
        if (token.type == Token::Text) {
            const qsizetype taken = std::min<qsizetype>(m_skip, token.word.size());
            m_skip -= int(taken);
            if (m_skipExtendsMark)
                m_marks.back().end = m_tokens.offsetOf(token.word) + taken;
            if (taken < token.word.size())
                textBytes(token.word.sliced(taken));
        } else {
            --m_skip;
            if (m_skipExtendsMark)
                m_marks.back().end = m_tokenEnd;
        }
        return true;
    }
    switch (token.type) {
    case Token::ControlWord:
        flushPending();
        controlWord(token.word, token.hasParameter, token.parameter);
        break;
    case Token::ControlSymbol:
        // Escaped \ { } are text bytes and may end a multi-byte character.
        if (token.symbol != '\\' && token.symbol != '{' && token.symbol != '}')
            flushPending();
        controlSymbol(token.symbol);
        break;
    case Token::HexByte: {
        const char byte = char(token.byte);
        textBytes(QByteArrayView(&byte, 1));
        break;
    }
    case Token::Text:
        textBytes(token.word);
        break;
    case Token::Binary:
        flushPending();
        binaryBytes(token.word);
        break;
    default:
        break;
    }
    return true;
}

bool RtfReader::groupStart() {
    if (int(m_states.size()) >= AttributedString::MaximumGroupDepth)
        return false;
    // The copy is made before a growing vector moves the states, so back() may be its source.
    m_states.push_back(m_states.back());
    State &inner = m_states.back();
    inner.ownsField = false;
    inner.ownsShapeProperty = false;
    inner.starred = false;
    return true;
}

bool RtfReader::groupEnd() {
    if (m_states.size() == 1) {
        m_rootClosed = true;
        m_rootEnd = m_tokenStart;
        m_rootEndsInText = state().dest == Dest::Text && !state().optional;
        return true;
    }
    m_currentValid = false;
    for (TextMark &m : m_marks) {
        if (m.closesWith == int(m_states.size()) - 1) {
            m.end = m_tokenEnd;
            m.closesWith = -1;
        }
    }
    const State closing = std::move(m_states.back()); // popped next: no copy
    m_states.pop_back();
    switch (closing.dest) {
    case Dest::FontTable:
        if (state().dest != Dest::FontTable)
            commitFont(); // the last entry may lack its ";"
        break;
    case Dest::InfoField:
        if (state().dest != Dest::InfoField && !closing.infoKey.isEmpty()) {
            m_document.insert(closing.infoKey, m_infoText);
            m_infoText.clear();
        }
        break;
    case Dest::Picture:
        if (state().dest != Dest::Picture)
            finishPicture();
        break;
    default:
        break;
    }
    if (closing.ownsField && !m_fieldInstructions.empty())
        m_fieldInstructions.pop_back();
    if (closing.ownsShapeProperty && m_shapeName == QLatin1StringView("wzName"))
        m_picture.name = m_shapeValue;
    return true;
}

void RtfReader::addTabStop(State &s, double position) {
    QList<double> &stops = paragraphStyle(s.attributes).tabStops;
    if (!s.tabsSet) {
        stops.clear(); // the first stop given replaces the default ones
        s.tabsSet = true;
    }
    // Kept ascending without repeats whatever order the writer chose.
    const auto at = std::lower_bound(stops.begin(), stops.end(), position);
    if (stops.size() < MaximumTabStops && (at == stops.end() || *at != position))
        stops.insert(at, position);
}

void RtfReader::ownParagraphWord(State &s, Word word, bool hasParameter, int parameter) {
    ParagraphStyle &p = paragraphStyle(s.attributes);
    switch (word) {
    case Word::OwnLineBreak:
        if (hasParameter && parameter >= int(LineBreakMode::WordWrapping)
            && parameter <= int(LineBreakMode::TruncatingMiddle))
            p.lineBreakMode = LineBreakMode(parameter);
        break;
    case Word::OwnTightening:
        p.allowsDefaultTighteningForTruncation = !hasParameter || parameter != 0;
        break;
    case Word::OwnNoTabs:
        p.tabStops.clear();
        s.tabsSet = true;
        break;
    default:
        break;
    }
}

std::optional<QColor> RtfReader::colorAt(int index) const {
    if (index < 0 || index >= m_colors.size())
        return std::nullopt;
    return m_colors[index];
}

void RtfReader::controlWord(QByteArrayView name, bool hasParameter, int parameter) {
    State &s = state();
    const bool starred = s.starred;
    s.starred = false;
    if (starred)
        s.optional = true;
    const WordInfo info = lookUp(name);
    const Word word = info.word;
    if (word != Word::U && word != Word::Character && word != Word::Par)
        m_currentValid = false;

    if (s.dest == Dest::UprAnsi && word == Word::Ud) {
        s.dest = s.uprOuter;
        return;
    }
    if (s.dest == Dest::Skip || s.dest == Dest::UprAnsi)
        return;
    if (destinationWord(s, word, starred) || fieldOrPictureWord(s, word))
        return;
    if (word == Word::Upr) {
        s.uprOuter = s.dest;
        s.dest = Dest::UprAnsi;
        return;
    }
    if (word == Word::SkippedDestination || word == Word::Ud) {
        s.dest = Dest::Skip;
        return;
    }
    if (tableWord(s, word, starred, hasParameter, parameter))
        return;

    if (word == Word::OwnLineBreak || word == Word::OwnTightening || word == Word::OwnNoTabs) {
        // The group only carries the value: it belongs to the paragraph around the group.
        State &target = starred && m_states.size() >= 2 ? m_states[m_states.size() - 2] : state();
        if (target.dest == Dest::Text)
            ownParagraphWord(target, word, hasParameter, parameter);
        if (starred)
            state().dest = Dest::Skip;
        return;
    }
    if (starred) {
        s.dest = Dest::Skip; // an optional destination this reader does not know
        return;
    }
    if (documentWord(word, hasParameter, parameter)
        || characterFormattingWord(s, word, hasParameter, parameter)
        || paragraphFormattingWord(s, word, hasParameter, parameter))
        return;
    specialCharacterWord(name, info, hasParameter, parameter);
}

// The font table, the colour table and the document information, and the fields inside it.
bool RtfReader::destinationWord(State &s, Word word, bool starred) {
    switch (word) {
    case Word::Fonttbl:
        s.dest = Dest::FontTable;
        m_tableFont = -1;
        return true;
    case Word::Colortbl:
        s.dest = Dest::ColorTable;
        return true;
    case Word::Info:
        s.dest = Dest::Info;
        return true;
    default:
        break;
    }
    if (s.dest == Dest::Info) {
        const QString key = infoKeyFor(word);
        if (!key.isEmpty()) {
            s.dest = Dest::InfoField;
            s.infoKey = key;
            m_infoText.clear();
        } else if (starred) {
            s.dest = Dest::Skip;
        }
        return true;
    }
    return false;
}

// Hyperlink fields, pictures and the shape properties that name them.
bool RtfReader::fieldOrPictureWord(State &s, Word word) {
    switch (word) {
    case Word::Field:
        if (s.dest == Dest::Text) {
            s.fieldIndex = int(m_fieldInstructions.size());
            s.ownsField = true;
            m_fieldInstructions.emplace_back();
        }
        return true;
    case Word::Fldinst:
        s.dest = s.fieldIndex >= 0 && s.dest == Dest::Text ? Dest::FieldInstruction : Dest::Skip;
        return true;
    case Word::Fldrslt:
        if (s.dest == Dest::Text && s.fieldIndex >= 0
            && s.fieldIndex < int(m_fieldInstructions.size())) {
            if (const std::optional<QUrl> url = hyperlinkTarget(m_fieldInstructions[s.fieldIndex]))
                s.attributes.link = url;
        }
        return true;
    case Word::Pict:
        if (s.dest == Dest::Text) {
            s.dest = Dest::Picture;
            m_picture = Picture{};
        } else {
            s.dest = Dest::Skip;
        }
        return true;
    case Word::Shppict:
        return true; // the preferred picture: read like text
    case Word::Picprop:
        s.dest = s.dest == Dest::Picture ? Dest::PictureProperties : Dest::Skip;
        return true;
    default:
        break;
    }
    if (s.dest == Dest::PictureProperties || s.dest == Dest::ShapeProperty) {
        if (word == Word::Sp && s.dest == Dest::PictureProperties) {
            s.dest = Dest::ShapeProperty;
            s.ownsShapeProperty = true;
            m_shapeName.clear();
            m_shapeValue.clear();
        } else if (word == Word::Sn && s.dest == Dest::ShapeProperty) {
            s.dest = Dest::ShapeName;
        } else if (word == Word::Sv && s.dest == Dest::ShapeProperty) {
            s.dest = Dest::ShapeValue;
        }
        return true;
    }
    return false;
}

// Inside the font and colour tables and pictures only their own words count.
bool RtfReader::tableWord(State &s, Word word, bool starred, bool hasParameter, int parameter) {
    const int value = hasParameter ? parameter : 1;
    switch (s.dest) {
    case Dest::FontTable:
        if (word == Word::F) {
            commitFont();
            m_tableFont = value;
            m_tableFontName.clear();
            m_fonts[m_tableFont] = Font{};
        } else if (word == Word::Fcharset && m_tableFont >= 0) {
            if (const int codePage = codePageForCharset(value))
                m_fonts[m_tableFont].codePage = codePage;
        } else if (word == Word::Cpg && m_tableFont >= 0 && hasParameter && parameter > 0) {
            m_fonts[m_tableFont].codePage = parameter;
        } else if (word == Word::U) {
            unicodeCharacter(hasParameter, parameter);
        } else if (word == Word::Uc) {
            s.unicodeSkip = std::clamp(value, 0, 1 << 20);
        } else if (starred) {
            s.dest = Dest::Skip;
        }
        return true;
    case Dest::ColorTable:
        if (word == Word::Red)
            m_red = std::clamp(value, 0, 255), m_colorSet = true;
        else if (word == Word::Green)
            m_green = std::clamp(value, 0, 255), m_colorSet = true;
        else if (word == Word::Blue)
            m_blue = std::clamp(value, 0, 255), m_colorSet = true;
        return true;
    case Dest::Picture:
        if (const QString mimeType = pictureMimeType(word); !mimeType.isEmpty())
            m_picture.mimeType = mimeType;
        else if (starred)
            s.dest = Dest::Skip;
        return true;
    default:
        return false;
    }
}

// The code page, the default font, the paper and its margins.
bool RtfReader::documentWord(Word word, bool hasParameter, int parameter) {
    const int value = hasParameter ? parameter : 1;
    switch (word) {
    case Word::Ansi:
        m_documentCodePage = 1252;
        return true;
    case Word::Mac:
        m_documentCodePage = 10000;
        return true;
    case Word::Pc:
        m_documentCodePage = 437;
        return true;
    case Word::Pca:
        m_documentCodePage = 850;
        return true;
    case Word::Ansicpg:
        if (hasParameter && parameter > 0)
            m_documentCodePage = parameter;
        return true;
    case Word::Deff:
        m_defaultFont = value;
        return true;
    case Word::Paperw:
        m_paperWidth = value;
        return true;
    case Word::Paperh:
        m_paperHeight = value;
        return true;
    case Word::Margl:
        m_document.insert(DocumentAttribute::LeftMargin, twipsToPoints(value));
        return true;
    case Word::Margr:
        m_document.insert(DocumentAttribute::RightMargin, twipsToPoints(value));
        return true;
    case Word::Margt:
        m_document.insert(DocumentAttribute::TopMargin, twipsToPoints(value));
        return true;
    case Word::Margb:
        m_document.insert(DocumentAttribute::BottomMargin, twipsToPoints(value));
        return true;
    case Word::Deftab:
        m_document.insert(DocumentAttribute::DefaultTabInterval, twipsToPoints(value));
        return true;
    default:
        return false;
    }
}

bool RtfReader::characterFormattingWord(State &s, Word word, bool hasParameter, int parameter) {
    const int value = hasParameter ? parameter : 1;
    TextAttributes &a = s.attributes;
    switch (word) {
    case Word::Plain:
        a.fontSize.reset();
        a.bold = a.italic = a.underline = false;
        a.underlineColor.reset();
        a.foregroundColor.reset();
        a.backgroundColor.reset();
        s.fontIndex = -1;
        return true;
    case Word::F:
        s.fontIndex = value;
        return true;
    case Word::Fs:
        if (!hasParameter)
            a.fontSize = 12.0;
        else if (parameter > 0)
            a.fontSize = parameter / 2.0;
        return true;
    case Word::B:
        a.bold = value != 0;
        return true;
    case Word::I:
        a.italic = value != 0;
        return true;
    case Word::Ulnone:
        a.underline = false;
        return true;
    case Word::Underline:
        a.underline = value != 0;
        return true;
    case Word::Ulc:
        a.underlineColor = colorAt(value);
        return true;
    case Word::Cf:
        a.foregroundColor = colorAt(value);
        return true;
    case Word::Cb:
        a.backgroundColor = colorAt(value);
        return true;
    case Word::Highlight:
        // \highlight0 is "none" even when the first colour is a real one.
        a.backgroundColor = value > 0 ? colorAt(value) : std::nullopt;
        return true;
    case Word::Uc:
        s.unicodeSkip = std::clamp(value, 0, 1 << 20);
        return true;
    default:
        return false;
    }
}

bool RtfReader::paragraphFormattingWord(State &s, Word word, bool hasParameter, int parameter) {
    const int value = hasParameter ? parameter : 1;
    TextAttributes &a = s.attributes;
    switch (word) {
    case Word::Pard:
        a.paragraphStyle.reset();
        s.tabsSet = false;
        s.lineSpacing = 0;
        return true;
    case Word::Sb:
        paragraphStyle(a).paragraphSpacingBefore = twipsToPoints(value);
        return true;
    case Word::Sa:
        paragraphStyle(a).paragraphSpacing = twipsToPoints(value);
        return true;
    case Word::Sl:
        // Positive: at least that high; negative: exactly that high; 0: as the text needs.
        s.lineSpacing = hasParameter ? parameter : 0;
        s.lineSpacingMadeStyle = !a.paragraphStyle && s.lineSpacing != 0;
        if (s.lineSpacing != 0) {
            ParagraphStyle &p = paragraphStyle(a);
            p.minimumLineHeight =
                twipsToPoints(std::abs(std::max(s.lineSpacing, -std::numeric_limits<int>::max())));
            p.maximumLineHeight = s.lineSpacing < 0 ? p.minimumLineHeight : 0;
        } else if (a.paragraphStyle) {
            a.paragraphStyle->minimumLineHeight = a.paragraphStyle->maximumLineHeight = 0;
        }
        return true;
    case Word::Slmult:
        // \slmult1 makes the \sl before it a multiple of single spacing ("1.15 lines"), which
        // is no height at all.
        if (value != 0 && s.lineSpacing != 0 && a.paragraphStyle) {
            a.paragraphStyle->minimumLineHeight = 0;
            if (s.lineSpacing < 0)
                a.paragraphStyle->maximumLineHeight = 0;
            if (s.lineSpacingMadeStyle && *a.paragraphStyle == ParagraphStyle{})
                a.paragraphStyle.reset();
        }
        s.lineSpacing = 0;
        return true;
    case Word::Slmaximum:
        paragraphStyle(a).maximumLineHeight = twipsToPoints(std::max(value, 0));
        return true;
    case Word::Tx:
        if (hasParameter && parameter >= 0)
            addTabStop(s, twipsToPoints(parameter));
        return true;
    default:
        return false;
    }
}

// Paragraph ends, \u and the words that stand for one character.
void RtfReader::specialCharacterWord(QByteArrayView name, const WordInfo &info, bool hasParameter,
                                     int parameter) {
    switch (info.word) {
    case Word::Par:
        emitCharacter(u'\n', TextEnd::Paragraph);
        break;
    case Word::U:
        unicodeCharacter(hasParameter, parameter);
        break;
    case Word::Character:
        if (name == "cell" || name == "nestcell")
            emitCharacter(info.character, TextEnd::Cell);
        else if (name == "row" || name == "nestrow")
            emitCharacter(info.character, TextEnd::Row);
        else
            emitCharacter(info.character);
        break;
    default:
        break;
    }
}

void RtfReader::unicodeCharacter(bool hasParameter, int parameter) {
    // A signed 16-bit number; negative values stand for units above U+7FFF.
    const size_t marks = m_marks.size();
    if (hasParameter && parameter >= -32768 && parameter <= 0xFFFF)
        emitCharacter(char16_t(parameter < 0 ? parameter + 65536 : parameter));
    m_skip = state().unicodeSkip;
    m_skipExtendsMark = m_marking && m_skip > 0 && m_marks.size() != marks;
}

void RtfReader::controlSymbol(char symbol) {
    State &s = state();
    if (symbol == '*') {
        s.starred = true;
        return;
    }
    s.starred = false;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        textBytes(QByteArrayView(&symbol, 1));
        break;
    case '~':
        emitCharacter(0x00A0);
        break;
    case '-':
        emitCharacter(0x00AD);
        break;
    case '_':
        emitCharacter(0x2011);
        break;
    case '\n':
    case '\r':
        emitCharacter(u'\n', TextEnd::Paragraph); // a backslash before a line break is \par
        break;
    case '\t':
        emitCharacter(u'\t');
        break;
    default:
        break;
    }
}

void RtfReader::textBytes(QByteArrayView bytes) {
    State &s = state();
    s.starred = false;
    switch (s.dest) {
    case Dest::Skip:
    case Dest::UprAnsi:
    case Dest::Info:
    case Dest::PictureProperties:
    case Dest::ShapeProperty:
        return;
    case Dest::ColorTable:
        for (const char c : bytes) {
            if (c == ';')
                commitColor();
        }
        return;
    case Dest::Picture:
        for (const char c : bytes) {
            const int nibble = hexDigitValue(c);
            if (nibble < 0)
                continue;
            if (m_picture.pendingNibble < 0) {
                m_picture.pendingNibble = nibble;
                continue;
            }
            if (m_picture.data.size() >= AttributedString::MaximumPictureSize)
                m_picture.tooLarge = true;
            else
                m_picture.data.append(char(m_picture.pendingNibble * 16 + nibble));
            m_picture.pendingNibble = -1;
        }
        return;
    case Dest::FontTable:
        for (const char c : bytes) {
            if (c == ';') {
                flushPending();
                commitFont();
            } else {
                m_pending.append(c);
            }
        }
        return;
    default:
        for (const char c : bytes) {
            if (uchar(c) >= 0x20 || c == '\t') {
                m_pending.append(c);
                m_pendingEnd = m_tokenEnd;
            }
        }
        return;
    }
}

void RtfReader::binaryBytes(QByteArrayView bytes) {
    if (state().dest != Dest::Picture)
        return;
    if (m_picture.data.size() + bytes.size() > AttributedString::MaximumPictureSize)
        m_picture.tooLarge = true;
    else
        m_picture.data.append(bytes);
}

void RtfReader::flushPending() {
    if (m_pending.isEmpty())
        return;
    const QStringView text = m_decoder.decode(m_pending, currentCodePage());
    m_pending.truncate(0); // keeps the buffer for the next bytes
    m_flushing = true;
    emitText(text);
    m_flushing = false;
}

void RtfReader::mark(TextEnd kind) {
    TextMark m{m_tokenStart, m_flushing ? m_pendingEnd : m_tokenEnd, kind, -1,
               int(m_states.size())};
    // Text put right after a character that other readers skip would be skipped with it, and
    // inside \upr only the group's \ud half is read: it goes after the outermost such group
    // whose surroundings are read. A \upr outside any group makes the rest of the document its
    // ANSI half, so there the text stays inside \ud.
    for (size_t i = 1; i < m_states.size(); ++i) {
        if ((m_states[i].optional || m_states[i].dest != Dest::Text)
            && m_states[i - 1].dest == Dest::Text) {
            m.closesWith = int(i);
            break;
        }
    }
    // A paragraph, a cell and a row may end the document; one character before them suffices.
    if (m_marks.size() == 4)
        m_marks.erase(m_marks.begin());
    m_marks.push_back(m);
    m_skipExtendsMark = false;
}

void RtfReader::emitText(QStringView text, TextEnd kind) {
    State &s = state();
    switch (s.dest) {
    case Dest::Text:
        if (text.isEmpty())
            break;
        if (!m_currentValid) {
            m_current = currentAttributes();
            m_currentValid = true;
            m_lastRunIsCurrent = false;
        }
        if (m_lastRunIsCurrent) {
            m_result.m_string.append(text);
            m_result.m_runs.last().length += text.size();
        } else {
            m_result.appendRun(text, m_current);
            m_lastRunIsCurrent = true;
        }
        if (m_marking)
            mark(kind);
        break;
    case Dest::FontTable:
        if (m_tableFont >= 0)
            m_tableFontName += text;
        break;
    case Dest::InfoField:
        m_infoText += text;
        break;
    case Dest::FieldInstruction:
        if (s.fieldIndex >= 0 && s.fieldIndex < int(m_fieldInstructions.size()))
            m_fieldInstructions[s.fieldIndex] += text;
        break;
    case Dest::ShapeName:
        m_shapeName += text;
        break;
    case Dest::ShapeValue:
        m_shapeValue += text;
        break;
    default:
        break;
    }
}

int RtfReader::currentCodePage() const {
    const State &s = m_states.back();
    const int font = s.dest == Dest::FontTable ? m_tableFont
                     : s.fontIndex >= 0        ? s.fontIndex
                                               : m_defaultFont;
    const auto found = m_fonts.constFind(font);
    if (found != m_fonts.constEnd() && found->codePage > 0)
        return found->codePage;
    return m_documentCodePage;
}

TextAttributes RtfReader::currentAttributes() const {
    const State &s = m_states.back();
    TextAttributes attributes = s.attributes;
    const auto found = m_fonts.constFind(s.fontIndex >= 0 ? s.fontIndex : m_defaultFont);
    if (found != m_fonts.constEnd() && !found->name.isEmpty())
        attributes.fontFamily = found->name;
    return attributes;
}

void RtfReader::commitFont() {
    if (m_tableFont < 0)
        return;
    m_currentValid = false;
    const QString name = m_tableFontName.trimmed();
    if (!name.isEmpty())
        m_fonts[m_tableFont].name = name;
    m_tableFontName.clear();
    m_tableFont = -1;
}

void RtfReader::commitColor() {
    // An entry without components is "auto": the reader's default colour.
    m_colors.append(m_colorSet ? std::optional<QColor>(QColor(m_red, m_green, m_blue))
                               : std::nullopt);
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
}

void RtfReader::finishPicture() {
    Picture picture = std::move(m_picture);
    m_picture = Picture{};
    if (state().dest != Dest::Text || picture.tooLarge || picture.data.isEmpty()
        || picture.mimeType.isEmpty())
        return;
    TextAttachment attachment;
    attachment.mimeType = picture.mimeType;
    attachment.preferredFilename =
        picture.name.isEmpty() ? defaultPictureName(picture.mimeType) : picture.name;
    attachment.contents = std::move(picture.data);
    TextAttributes attributes = currentAttributes();
    attributes.attachment = std::move(attachment);
    m_result.appendRun(QStringView(&AttachmentCharacter, 1), attributes);
    m_lastRunIsCurrent = false;
    if (m_marking)
        mark(TextEnd::Character);
}

std::optional<qsizetype> RtfReader::appendPosition() {
    m_marking = true;
    if (!readRootGroup())
        return std::nullopt;
    // A document ending with a paragraph, or a table row, keeps that break after the text.
    qsizetype position = m_rootEnd;
    auto last = m_marks.end();
    const auto drop = [&](TextEnd kind) {
        if (last == m_marks.begin() || std::prev(last)->kind != kind)
            return false;
        --last;
        position = last->start;
        return true;
    };
    if (drop(TextEnd::Row))
        drop(TextEnd::Cell);
    else
        drop(TextEnd::Paragraph);
    // An empty last paragraph (or cell) sets its formatting after the break before it: the text
    // goes where its break is. A document whose own group ends in a destination (a \pict or
    // \upr outside any group) reads no text at its end: there the text follows what was read.
    const bool afterLast = position == m_rootEnd && !m_rootEndsInText;
    if (last != m_marks.begin() && (std::prev(last)->kind == TextEnd::Character || afterLast)) {
        // The appended group must not nest deeper than a reader takes.
        if (std::prev(last)->depth >= AttributedString::MaximumGroupDepth - 1)
            return std::nullopt;
        position = std::prev(last)->end;
    }
    return position;
}

} // namespace styledtext

std::optional<qsizetype> rtfAppendPosition(QByteArrayView rtf) {
    return styledtext::RtfReader(rtf).appendPosition();
}

std::optional<QByteArray> rtfByAppending(const QByteArray &rtf, QStringView text) {
    const std::optional<qsizetype> position = rtfAppendPosition(rtf);
    if (!position)
        return std::nullopt;
    // A group of its own: it takes the formatting around it, and neither ends a control word
    // before it nor changes the \uc count after it.
    QByteArray group("{");
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x7F; }))
        group.append("\\uc1 ");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}')
            group.append('\\').append(char(u));
        else if (u == u'\t')
            group.append("\\tab ");
        else if (u >= 0x20 && u < 0x7F)
            group.append(char(u));
        else
            group.append("\\u").append(QByteArray::number(qint16(u))).append('?');
    }
    group.append('}');
    QByteArray result = rtf;
    result.insert(*position, group);
    return result;
}

std::optional<AttributedString> AttributedString::fromRTF(const QByteArray &rtf,
                                                          QVariantMap *documentAttributes) {
    styledtext::RtfReader reader(rtf);
    std::optional<AttributedString> result = reader.read(documentAttributes);
    if (!result && documentAttributes)
        documentAttributes->clear();
    return result;
}
