// Formulas per second of the evaluator, muparser and libqalculate on one corpus, and the cost
// of assignments that rewrite the settings file: one, and three in one formula.
//
// Usage: bench_formulas [--seconds=S] [--only=sumwise|muparser|libqalculate]
// --only times one engine and skips the cross-check, for short profiling runs.
#include "harness.h"

#include "evaluator/formulaengine.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <libqalculate/qalculate.h>
#include <muParser.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::printRate;
using bench::sink;
using bench::timeAll;
using bench::Timed;

// One formula as each engine spells it. The peers' columns change syntax only, never the
// arithmetic; every translation is named on its row. Common to all rows: the peers read "1.5"
// (a comma separates their arguments). The corpus runs on a store in memory, as the peers keep
// their variables in memory too; the file's cost is measured apart.
struct Formula {
    const char *sumwise;
    const char *muparser;
    const char *qalculate;
};

constexpr Formula corpus[] = {
    {"2*(3+4)^2", "2*(3+4)^2", "2*(3+4)^2"},
    {"1+2*3-4/5", "1+2*3-4/5", "1+2*3-4/5"},
    {"sqrt(2)/2", "sqrt(2)/2", "sqrt(2)/2"},
    // Statements: muparser chains expressions with ","; libqalculate has no statements, so
    // the assignment becomes a "where" clause.
    {"x=1,5;x*3", "x=1.5,x*3", "x*3 where x=1.5"},
    // PI: muparser "_pi", libqalculate "pi".
    {"r=2;PI*r^2", "r=2,_pi*r^2", "pi*r^2 where r=2"},
    {"y=3;z=4;sqrt(y^2+z^2)", "y=3,z=4,sqrt(y^2+z^2)", "sqrt(y^2+z^2) where y=3, z=4"},
    {"-2^2", "-2^2", "-2^2"},
    // "^" groups from the left here and from the right in both peers.
    {"2^3^2", "(2^3)^2", "(2^3)^2"},
    // "%" is fmod: a user operator at "*" precedence in muparser, "rem" in libqalculate.
    {"17%5*2", "17%5*2", "(17 rem 5)*2"},
    {"sin(PI/6)+cos(PI/3)", "sin(_pi/6)+cos(_pi/3)", "sin(pi/6)+cos(pi/3)"},
    // E: muparser "_e", libqalculate "e".
    {"ln(E^2)", "ln(_e^2)", "ln(e^2)"},
    // LOG is base 10; "log" is natural in both peers.
    {"log(1000)", "log10(1000)", "log10(1000)"},
    {"exp(1)", "exp(1)", "exp(1)"},
    // FACT: a user function with the same loop in muparser, "factorial" in libqalculate.
    {"FACT(5)", "fact(5)", "factorial(5)"},
    {"abs(-3,5)", "abs(-3.5)", "abs(-3.5)"},
    {"1,5*4", "1.5*4", "1.5*4"},
    {"(1+2)*(3+4)*(5+6)", "(1+2)*(3+4)*(5+6)", "(1+2)*(3+4)*(5+6)"},
    // C: the value as a literal (muparser has none; libqalculate's carries a unit).
    {"C/1000", "299792458/1000", "299792458/1000"},
    {"atan(1)*4", "atan(1)*4", "atan(1)*4"},
    {"sqrt(16)+sqrt(9)", "sqrt(16)+sqrt(9)", "sqrt(16)+sqrt(9)"},
    {"3,14*2,5^2", "3.14*2.5^2", "3.14*2.5^2"},
    {"tanh(0,5)", "tanh(0.5)", "tanh(0.5)"},
    {"1/3", "1/3", "1/3"},
    {"2*PI*6371", "2*_pi*6371", "2*pi*6371"},
    {"100*1,05^10", "100*1.05^10", "100*1.05^10"},
    {"-3*-2-+1", "-3*-2-+1", "-3*-2-+1"},
    // SIGN: libqalculate "sgn".
    {"sign(-2)*log2(1024)", "sign(-2)*log2(1024)", "sgn(-2)*log2(1024)"},
    {"cosh(1)-sinh(1)", "cosh(1)-sinh(1)", "cosh(1)-sinh(1)"},
    // G: the evaluator's value as a literal (muparser has none; libqalculate's is newer and
    // carries a unit).
    {"G*1000", "6.6732E-11*1000", "6.6732E-11*1000"},
    {"asin(0,5)*6", "asin(0.5)*6", "asin(0.5)*6"},
};
constexpr std::size_t corpusSize = std::size(corpus);

double fact(double x) {
    double product = 1.0;
    for (long long n = (long long)x; n > 0; --n)
        product *= double(n);
    return product;
}

double fmodOperator(double a, double b) {
    return std::fmod(a, b);
}

class SumwiseEngine {
public:
    explicit SumwiseEngine(UserDefaults &defaults)
        : sumwise(defaults) {
        for (const Formula &f : corpus)
            formulas.push_back(QString::fromLatin1(f.sumwise));
    }

    QString evaluate(std::size_t i) { return sumwise.doSumwise(formulas[i]); }
    bool succeeded() const { return sumwise.succeeded(); }
    QString evaluateText(const QString &formula) { return sumwise.doSumwise(formula); }

    void runCorpus() {
        qsizetype length = 0;
        for (const QString &formula : formulas)
            length += sumwise.doSumwise(formula).size();
        sink = double(length);
    }

private:
    FormulaEngine sumwise;
    std::vector<QString> formulas;
};

class MuparserEngine {
public:
    MuparserEngine() {
        for (double &v : variables)
            v = 0.0;
        const char *names[] = {"x", "r", "y", "z", "n"};
        for (std::size_t i = 0; i < std::size(names); ++i)
            parser.DefineVar(names[i], &variables[i]);
        parser.DefineFun("fact", fact);
        parser.DefineOprt("%", fmodOperator, mu::prMUL_DIV, mu::oaLEFT);
    }

    double evaluate(const std::string &formula) {
        parser.SetExpr(formula);
        return parser.Eval();
    }
    double evaluate(std::size_t i) { return evaluate(corpus[i].muparser); }

    void runCorpus() {
        double sum = 0.0;
        for (const Formula &f : corpus) {
            parser.SetExpr(f.muparser);
            sum += parser.Eval();
        }
        sink = sum;
    }

    // With the "%.12g" text the evaluator hands back, to compare like with like.
    void runCorpusFormatted() {
        std::size_t length = 0;
        char buffer[32];
        for (const Formula &f : corpus) {
            parser.SetExpr(f.muparser);
            length += std::size_t(std::snprintf(buffer, sizeof buffer, "%.12g", parser.Eval()));
        }
        sink = double(length);
    }

private:
    mu::Parser parser;
    double variables[5];
};

class QalculateEngine {
public:
    QalculateEngine() {
        const Clock::time_point start = Clock::now();
        calculator = new Calculator();
        calculator->loadGlobalDefinitions();
        calculator->loadLocalDefinitions();
        loadSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        // As qalc's defaults: radians, and approximate values shown as plain digits.
        evaluation.parse_options.angle_unit = ANGLE_UNIT_RADIANS;
        printing.interval_display = INTERVAL_DISPLAY_SIGNIFICANT_DIGITS;
    }

    // The value as a double, or NaN when the result is no plain number; text gets the print.
    double evaluate(std::size_t i, std::string *text) {
        const MathStructure result = calculator->calculate(corpus[i].qalculate, evaluation);
        *text = calculator->print(result, 2000, printing);
        for (CalculatorMessage *m = calculator->message(); m; m = calculator->nextMessage())
            *text += " [" + m->message() + "]";
        calculator->clearMessages();
        return result.isNumber() ? result.number().floatValue() : std::nan("");
    }

    void runCorpus() {
        std::size_t length = 0;
        for (const Formula &f : corpus) {
            const MathStructure result = calculator->calculate(f.qalculate, evaluation);
            length += calculator->print(result, 2000, printing).size();
        }
        sink = double(length);
    }

    double loadSeconds = 0.0;

private:
    // Never deleted: libqalculate 4.5's destructor crashes in mpfr_clear, and the process
    // ends right after the timing anyway.
    Calculator *calculator = nullptr;
    EvaluationOptions evaluation;
    PrintOptions printing;
};

// Agreement in ten significant digits.
bool agree(double a, double b) {
    if (a == b)
        return true;
    return std::fabs(a - b) <= 1e-10 * std::max(std::fabs(a), std::fabs(b));
}

int crossCheck(SumwiseEngine &sumwise, MuparserEngine &muparser, QalculateEngine &qalculate) {
    int mismatches = 0;
    for (std::size_t i = 0; i < corpusSize; ++i) {
        const QString text = sumwise.evaluate(i);
        bool ok = sumwise.succeeded();
        const double s = ok ? text.toDouble(&ok) : std::nan("");
        double m = std::nan("");
        std::string mError;
        try {
            m = muparser.evaluate(i);
        } catch (const mu::Parser::exception_type &e) {
            mError = " [" + e.GetMsg() + "]";
        }
        std::string qText;
        const double q = qalculate.evaluate(i, &qText);
        if (ok && agree(s, m) && agree(s, q))
            continue;
        ++mismatches;
        std::printf("MISMATCH %-24s sumwise %s%s | muparser %.12g%s | libqalculate %.12g (%s)\n",
                    corpus[i].sumwise, qPrintable(text), ok ? "" : " [failed]", m, mError.c_str(),
                    q, qText.c_str());
    }
    if (mismatches == 0)
        std::printf("Cross-check: all %zu formulas agree to 10 digits in the three engines.\n",
                    corpusSize);
    return mismatches;
}

} // namespace

int main(int argc, char *argv[]) {
    double minSeconds = 1.0;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0) {
            minSeconds = std::atof(argv[i] + 10);
        } else if (std::strncmp(argv[i], "--only=", 7) == 0) {
            only = argv[i] + 7;
        } else {
            std::fprintf(stderr, "usage: %s [--seconds=S] [--only=sumwise|muparser|libqalculate]\n",
                         argv[0]);
            return 2;
        }
    }

    // Private settings and peer definitions, so the user's own files play no part.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    // "." as decimal point, so results read back as numbers.
    QLocale::setDefault(QLocale::c());

    UserDefaults memory{UserDefaults::InMemory{}};
    SumwiseEngine sumwise(memory);
    MuparserEngine muparser;

    const auto want = [&](const char *name) { return only.empty() || only == name; };
    std::unique_ptr<QalculateEngine> qalculate;
    if (want("libqalculate"))
        qalculate = std::make_unique<QalculateEngine>();

    std::printf("Corpus: %zu formulas; each timing is the best of 3 rounds of >= %.2f s.\n",
                corpusSize, minSeconds);
    if (qalculate)
        std::printf("libqalculate: new Calculator + loading definitions took %.3f s (untimed).\n",
                    qalculate->loadSeconds);
    if (only.empty())
        crossCheck(sumwise, muparser, *qalculate);

    std::vector<Timed> timed;
    if (want("sumwise"))
        timed.push_back({"Sumwise::doSumwise", [&] { sumwise.runCorpus(); }, double(corpusSize)});
    if (want("muparser")) {
        timed.push_back(
            {"muparser SetExpr+Eval", [&] { muparser.runCorpus(); }, double(corpusSize)});
        timed.push_back({"muparser SetExpr+Eval+\"%.12g\" text",
                         [&] { muparser.runCorpusFormatted(); }, double(corpusSize)});
    }
    if (qalculate)
        timed.push_back(
            {"libqalculate calculate+print", [&] { qalculate->runCorpus(); }, double(corpusSize)});
    timeAll(timed, minSeconds);

    std::printf("\nFormulas per second (same corpus, same process):\n");
    for (const Timed &t : timed)
        printRate(t, "formulas");
    if (only.empty()) {
        std::printf("\nRatios (above 1: Sumwise is faster):\n");
        std::printf("  Sumwise/muparser                %8.3f\n", timed[0].best / timed[1].best);
        std::printf("  Sumwise/muparser with text      %8.3f\n", timed[0].best / timed[2].best);
        std::printf("  Sumwise/libqalculate            %8.3f\n", timed[0].best / timed[3].best);
    }
    if (!only.empty())
        return 0;

    // A new value every time makes a formula rewrite the settings file under its lock, once
    // however many assignments it holds; the same value again only checks the file.
    UserDefaults file(home.filePath(QStringLiteral("Sumwise.ini")));
    SumwiseEngine stored(file);
    quint64 counter = 0;
    std::vector<Timed> assignments = {
        {"Sumwise \"n=<counter>\" (writes the file)",
         [&] {
             sink = double(
                 stored.evaluateText(QStringLiteral("n=") + QString::number(++counter)).size());
         },
         1},
        {"Sumwise \"a=<c>;b=<c>;c=<c>;a+b+c\" (one write)",
         [&] {
             const QString c = QString::number(++counter);
             sink =
                 double(stored.evaluateText(QStringLiteral("a=%1;b=%1;c=%1;a+b+c").arg(c)).size());
         },
         1},
        {"Sumwise \"n=7\" repeated (no write)",
         [&] { sink = double(stored.evaluateText(QStringLiteral("n=7")).size()); }, 1},
        {"muparser \"n=<counter>\"",
         [&] { sink = muparser.evaluate("n=" + std::to_string(++counter)); }, 1},
    };
    timeAll(assignments, minSeconds);
    std::printf("\nFormulas with assignments, on the settings file:\n");
    for (const Timed &t : assignments)
        printRate(t, "formulas");
    return 0;
}
