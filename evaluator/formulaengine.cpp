#include "formulaengine.h"

#include "builtins.h"
#include "platform/doublevalue.h"
#include "platform/localization.h"
#include "platform/userdefaults.h"
#include "textlib/characters.h"
#include "textlib/editing.h"
#include "textlib/normalization.h"
#include "textlib/whitespace.h"

#include <QDir>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <utility>

namespace {

// Message keys of the default table.
constexpr char SyntaxError[] = QT_TRANSLATE_NOOP("Localizable", "Syntax error");
constexpr char DivisionByZero[] = QT_TRANSLATE_NOOP("Localizable", "Division by zero");
constexpr char Undefined[] = QT_TRANSLATE_NOOP("Localizable", "Undefined");
constexpr char Overflow[] = QT_TRANSLATE_NOOP("Localizable", "Overflow");
constexpr char NotSaved[] = QT_TRANSLATE_NOOP("Localizable", "The variable cannot be saved in %1");

using textlib::isAsciiDigit;
using textlib::isAsciiLetter;

bool equalsNoCase(QStringView name, std::string_view ascii) {
    return name.compare(QLatin1StringView(ascii.data(), qsizetype(ascii.size())),
                        Qt::CaseInsensitive)
           == 0;
}

// Index of name in table, searching from the last entry to the first; -1 when absent.
template<std::size_t N> int lookUp(QStringView name, const std::array<std::string_view, N> &table) {
    for (int i = int(N) - 1; i >= 0; --i) {
        if (equalsNoCase(name, table[i]))
            return i;
    }
    return -1;
}

// printf's "%.12g" in the C locale, with "nan" whatever the sign of a NaN.
QString formatResult(double value) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 12).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}

struct NestingGuard {
    explicit NestingGuard(int &depth)
        : depth(++depth) {}
    ~NestingGuard() { --depth; }
    int &depth;
};

} // namespace

FormulaEngine::FormulaEngine()
    : FormulaEngine(UserDefaults::standardUserDefaults()) {
}

FormulaEngine::FormulaEngine(UserDefaults &defaults)
    : defaults(defaults) {
    // A constant the user has redefined keeps its value across restarts.
    for (int i = int(builtins::constant_names.size()) - 1; i >= 0; --i) {
        const auto &name = builtins::constant_names[i];
        const QString key = QString::fromLatin1(name.data(), qsizetype(name.size()));
        if (!defaults.objectForKey(key).isValid())
            defaults.setObject(builtins::constant_values[i], key);
    }
    defaults.synchronize();
}

void FormulaEngine::error(const QString &message, const char *selector) {
    Q_UNUSED(selector);
    errorMsg = message;
    success = false;
}

QString FormulaEngine::syntaxErrorMessage() {
    return platform::localizedString(SyntaxError);
}

void FormulaEngine::syntaxError(const char *selector) {
    error(platform::localizedString(SyntaxError), selector);
}

QString FormulaEngine::doSumwise(const QString &text) {
    if (text.isNull())
        return QString();

    formula = text;
    textlib::normalizeString(formula);
    textlib::removeWhiteSpaces(formula);
    textlib::replaceCharacter(formula, u',', u'.');

    curr_char = 0;
    last_lp = -1;
    last_assign = -1;
    curr_fn = -1;
    curr_tok = END;
    curr_number = 0.0;
    success = true;
    errorMsg = QString();
    depth = 0;
    heldBefore.clear();

    const double value = expr(true);
    // One write for all the formula's assignments, those before an error included.
    if (!heldBefore.isEmpty() && !defaults.synchronize()) {
        // What cannot be stored is not assigned beyond this formula, whose rest computed with it.
        for (auto it = heldBefore.cbegin(); it != heldBefore.cend(); ++it) {
            if (it->isValid())
                defaults.setObject(*it, it.key());
            else
                defaults.removeObjectForKey(it.key());
        }
        // The value is right, but the formula did not do all it says. This message wins: it
        // names the cause a user must fix, whatever else failed.
        success = false;
        errorMsg =
            platform::localizedString(NotSaved).arg(QDir::toNativeSeparators(defaults.fileName()));
    }
    heldBefore.clear();

    QString result = formatResult(value);
    const QString separator = QLocale().decimalPoint();
    if (!separator.isEmpty())
        result = textlib::stringByReplacingString(result, QStringLiteral("."), separator);

    formula = QString();
    return result;
}

char16_t FormulaEngine::get_char(bool advance) {
    const char16_t c = curr_char < quint64(formula.size()) ? formula[curr_char].unicode() : 0;
    if (advance)
        ++curr_char;
    return c;
}

qint8 FormulaEngine::get_token() {
    // A statement after ";" is scanned by going round again, so chains use no stack.
    for (;;) {
        const quint32 start = curr_char;
        const char16_t c = get_char(true);
        switch (c) {
        case 0:
        case u';':
            curr_tok = END;
            break;
        case u'%':
        case u'(':
        case u'*':
        case u'+':
        case u'-':
        case u'/':
        case u'^':
            curr_tok = c;
            break;
        case u')':
            // Closes a parenthesis opened after the innermost "=", or ends that assignment.
            curr_tok = last_assign <= last_lp ? quint16(u')') : quint16(END);
            break;
        case u'.':
            if (!isAsciiDigit(get_char(false))) {
                syntaxError("get_token");
                curr_tok = END;
                break;
            }
            scanNumber(start);
            break;
        default:
            if (isAsciiDigit(c)) {
                scanNumber(start);
            } else if (isAsciiLetter(c)) {
                if (scanName(start))
                    continue;
            } else {
                syntaxError("get_token");
                curr_tok = END;
            }
            break;
        }
        return qint8(curr_tok & 0xff);
    }
}

void FormulaEngine::scanNumber(quint32 start) {
    char16_t c;
    do {
        c = get_char(true);
    } while (isAsciiDigit(c) || c == u'.');
    --curr_char;

    const QStringView literal = QStringView(formula).sliced(start, curr_char - start);
    // With several points the last one is the decimal point, the others group digits.
    if (textlib::countCharacter(literal, u'.') >= 2) {
        const qsizetype point = textlib::findLastCharacter(literal, u'.');
        QString digits = literal.first(point).toString();
        digits.remove(u'.');
        digits += literal.sliced(point);
        curr_number = platform::doubleValue(QStringView(digits));
    } else {
        curr_number = platform::doubleValue(literal);
    }
    curr_tok = NUMBER;
}

bool FormulaEngine::scanName(quint32 start) {
    char16_t c;
    do {
        c = get_char(true);
    } while (isAsciiLetter(c) || isAsciiDigit(c));
    --curr_char;

    const QStringView name = QStringView(formula).sliced(start, curr_char - start);
    switch (get_char(false)) {
    case u'=':
        return assign(name.toString().toUpper());
    case u'(': {
        const int fn = lookUp(name, builtins::functions);
        if (fn < 0) {
            syntaxError("get_token");
            curr_tok = END;
            return false;
        }
        curr_fn = fn;
        get_char(true);
        curr_tok = FUNCTION;
        return false;
    }
    default:
        break;
    }

    const QString key = name.toString().toUpper();
    const QVariant stored = defaults.objectForKey(key);
    if (stored.isValid()) {
        curr_number = platform::doubleValue(stored);
        curr_tok = NUMBER;
        return false;
    }
    const int constant = lookUp(name, builtins::constant_names);
    if (constant < 0) {
        syntaxError("get_token");
        curr_tok = END;
        return false;
    }
    curr_number = builtins::constant_values[constant];
    curr_tok = NUMBER;
    return false;
}

// Evaluates the value after "=" and stores it. True when a ";" ended the value and another
// statement follows, whose first token the caller then scans instead.
bool FormulaEngine::assign(const QString &key) {
    const qint32 savedAssign = last_assign;
    last_assign = qint32(curr_char);
    get_char(true);

    const double value = expr(true);
    curr_number = value;
    // A failed value would store a meaningless 0 over the user's variable.
    if (success) {
        if (!heldBefore.contains(key))
            heldBefore.insert(key, defaults.objectForKey(key));
        defaults.setDouble(value, key);
    }
    last_assign = savedAssign;

    --curr_char;
    if (get_char(false) == u';') {
        get_char(true);
        if (curr_char < quint64(formula.size()) && get_char(false) != u')')
            return true;
    }
    curr_tok = NUMBER;
    return false;
}

double FormulaEngine::expr(bool fetch) {
    double left = term(fetch);
    if (!success)
        return 0.0;
    for (;;) {
        if (curr_tok == u'+')
            left = left + term(true);
        else if (curr_tok == u'-')
            left = left - term(true);
        else
            return left;
        if (!success)
            return 0.0;
    }
}

double FormulaEngine::term(bool fetch) {
    double left = pow(fetch);
    if (!success)
        return 0.0;
    for (;;) {
        const quint16 op = curr_tok;
        if (op == u'*') {
            left = left * pow(true);
            if (!success)
                return 0.0;
        } else if (op == u'/' || op == u'%') {
            const double right = pow(true);
            if (right == 0.0) {
                error(platform::localizedString(DivisionByZero), "term:");
                return left;
            }
            if (!success)
                return left;
            left = op == u'/' ? left / right : std::fmod(left, right);
        } else {
            return left;
        }
    }
}

double FormulaEngine::pow(bool fetch) {
    double left = prim(fetch);
    if (!success)
        return 0.0;
    while (curr_tok == u'^') {
        const double right = prim(true);
        left = std::pow(left, right);
        if (!success)
            return 0.0;
    }
    return left;
}

double FormulaEngine::prim(bool fetch) {
    const NestingGuard guard(depth);
    if (depth > MaxNesting) {
        syntaxError("prim:");
        return 0.0;
    }
    if (fetch)
        get_token();

    switch (curr_tok) {
    case NUMBER: {
        // Taken before the next token, which may rewrite curr_number.
        const double value = curr_number;
        get_token();
        return value;
    }
    case u'(':
    case FUNCTION: {
        const quint16 token = curr_tok;
        const qint32 fn = curr_fn; // a nested call overwrites curr_fn
        const qint32 savedLp = last_lp;
        last_lp = qint32(curr_char);
        double value = expr(true);
        last_lp = savedLp;
        if (curr_tok != u')') {
            syntaxError("prim:");
            return 0.0;
        }
        if (token == FUNCTION)
            value = function(fn, value);
        get_token();
        return value;
    }
    case u'+':
        return pow(true);
    case u'-':
        return -pow(true);
    default:
        syntaxError("prim:");
        return 0.0;
    }
}

double FormulaEngine::function(qint32 code, double x) {
    const auto undefined = [&] {
        error(platform::localizedString(Undefined), "function:expr:");
        return x;
    };
    switch (code) {
    case 0: // EXP
        return std::exp(x);
    case 1: // EXP10
        return std::exp(x * builtins::Ln10);
    case 2: // EXP2
        return std::exp(x * builtins::Ln2);
    case 3: // LOG10
    case 5: // LOG
        return x > 0 ? std::log10(x) : undefined();
    case 4: // LOG2
        return x > 0 ? std::log2(x) : undefined();
    case 6: // LN
        return x > 0 ? std::log(x) : undefined();
    case 7:
        return std::cos(x);
    case 8:
        return std::sin(x);
    case 9:
        return std::tan(x);
    case 10: // ASIN
        return x >= -1 && x <= 1 ? std::asin(x) : undefined();
    case 11: // ACOS
        return x >= -1 && x <= 1 ? std::acos(x) : undefined();
    case 12:
        return std::atan(x);
    case 13: // SQRT
        return x >= 0 ? std::sqrt(x) : undefined();
    case 14:
        return std::fabs(x);
    case 15: // SIGN
        return x > 0 ? 1.0 : x < 0 ? -1.0 : x;
    case 16: { // FACT
        if (!(x >= 0))
            return undefined();
        // Every count from 171 up overflows; beyond 2^63 there is no count to truncate to.
        if (x >= 9223372036854775808.0) {
            error(platform::localizedString(Overflow), "function:expr:");
            return HUGE_VAL;
        }
        double product = 1.0;
        for (qint64 n = qint64(x); n > 0; --n) {
            product *= double(n);
            if (!std::isfinite(product)) {
                error(platform::localizedString(Overflow), "function:expr:");
                return product;
            }
        }
        return product;
    }
    case 17:
        return std::ceil(x);
    case 18:
        return std::floor(x);
    case 19:
        return std::round(x);
    case 20:
        return std::acosh(x);
    case 21:
        return std::asinh(x);
    case 22:
        return std::atanh(x);
    case 23:
        return std::cosh(x);
    case 24:
        return std::sinh(x);
    case 25:
        return std::tanh(x);
    default:
        qFatal("-[Sumwise function:expr:] Sumwise: NO");
    }
}
