#include "searchproviders.h"

#include "pasteboard/pasteboard.h"
#include "platform/localization.h"
#include "platform/userdefaults.h"
#include "provider.h"
#include "service/sumwise.h"
#include "textlib/characters.h"
#include "textlib/normalization.h"
#include "textlib/whitespace.h"

#include <QDBusError>
#include <QDBusMetaType>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <utility>

namespace {

// Matches the copy text and the Show panel's button: Enter copies the result.
constexpr char Hint[] = "Copy";

// KRunner's highest relevance category (ExactMatch in Plasma 5, Highest in Plasma 6).
constexpr int ExactMatch = 100;

// A sign and digits with points or commas, at least one digit: the user's own notation of
// a number, whose "result" would only repeat it.
bool isPlainNumber(QStringView text) {
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        text = text.sliced(1);
    bool digit = false;
    for (const QChar c : text) {
        if (textlib::isAsciiDigit(c.unicode()))
            digit = true;
        else if (c != u'.' && c != u',')
            return false;
    }
    return digit;
}

// A name as the evaluator scans it: a letter, then letters and digits.
bool isLoneName(QStringView text) {
    if (text.isEmpty() || !textlib::isAsciiLetter(text.front().unicode()))
        return false;
    for (const QChar c : text) {
        if (!textlib::isAsciiLetter(c.unicode()) && !textlib::isAsciiDigit(c.unicode()))
            return false;
    }
    return true;
}

// The query without outer white space and one leading "=".
QString stripped(const QString &query, bool *explicitly = nullptr) {
    QString text = query.trimmed();
    const bool marked = text.startsWith(u'=');
    if (marked)
        text = text.sliced(1).trimmed();
    if (explicitly)
        *explicitly = marked;
    return text;
}

MemoryPasteboard pasteboardWith(const QString &text) {
    MemoryPasteboard pboard;
    pboard.declareTypes({PasteboardType::String});
    pboard.setString(text, PasteboardType::String);
    return pboard;
}

} // namespace

SearchEvaluator::SearchEvaluator(Sumwise &sumwise, QString storeFile)
    : m_sumwise(sumwise)
    , m_storeFile(std::move(storeFile)) {
}

QString SearchEvaluator::queryOf(const QStringList &terms) {
    return terms.join(u' ');
}

std::optional<QString> SearchEvaluator::formulaOf(const QString &query) {
    bool explicitly = false;
    const QString text = stripped(query, &explicitly);
    QString bare = text;
    textlib::removeWhiteSpaces(bare);
    if (bare.isEmpty() || isPlainNumber(bare) || (!explicitly && isLoneName(bare)))
        return std::nullopt;
    return text;
}

std::optional<SearchResult> SearchEvaluator::evaluate(const QString &query) {
    const std::optional<QString> formula = formulaOf(query);
    if (!formula)
        return std::nullopt;
    QString value;
    bool ok = false;
    // The evaluator assigns only at an "=" of the normalised text; anything else only reads.
    if (textlib::normalizedString(*formula).contains(u'=')) {
        // The runtime folder is private and, on a desktop, in memory: the copy's write then
        // costs no flush to disk.
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        QTemporaryDir scratch = runtime.isEmpty()
                                    ? QTemporaryDir()
                                    : QTemporaryDir(runtime + QStringLiteral("/sumwise-XXXXXX"));
        if (!scratch.isValid())
            return std::nullopt;
        const QString copy = scratch.filePath(QFileInfo(m_storeFile).fileName());
        // A store never written yet is an empty one; the evaluator seeds the constants.
        if (QFile::exists(m_storeFile) && !QFile::copy(m_storeFile, copy))
            return std::nullopt;
        UserDefaults defaults(copy);
        Sumwise sumwise(defaults);
        value = sumwise.doSumwise(*formula);
        ok = sumwise.succeeded();
    } else {
        UserDefaults::standardUserDefaults().reloadIfChanged();
        value = m_sumwise.doSumwise(*formula);
        ok = m_sumwise.succeeded();
    }
    if (!ok || value.isEmpty())
        return std::nullopt;
    return SearchResult{query.trimmed(), *formula, value};
}

bool SearchEvaluator::copy(const QString &query, QString *error) {
    MemoryPasteboard pboard = pasteboardWith(stripped(query));
    error->clear();
    m_sumwise.doCalcCopyService(pboard, QString(), error);
    return error->isEmpty();
}

bool SearchEvaluator::show(const QString &query) {
    const QString text = stripped(query);
    if (text.isEmpty())
        return false;
    MemoryPasteboard pboard = pasteboardWith(text);
    m_sumwise.doCalcShowService(pboard, QString(), nullptr);
    return true;
}

ShellSearchProvider::ShellSearchProvider(SearchEvaluator &evaluator, Sumwise &sumwise,
                                         QObject *parent)
    : QObject(parent)
    , m_evaluator(evaluator)
    , m_sumwise(sumwise) {
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

QStringList ShellSearchProvider::results(const QStringList &terms) {
    // A query is a request served: a provider the shell started shows no launch panel.
    m_sumwise.didPerformService();
    const std::optional<SearchResult> result =
        m_evaluator.evaluate(SearchEvaluator::queryOf(terms));
    return result ? QStringList{result->query} : QStringList{};
}

QStringList ShellSearchProvider::GetInitialResultSet(const QStringList &terms) {
    return results(terms);
}

QStringList ShellSearchProvider::GetSubsearchResultSet(const QStringList &previousResults,
                                                       const QStringList &terms) {
    // The previous result was another formula's; narrowing it down means nothing here.
    Q_UNUSED(previousResults);
    return results(terms);
}

QList<QVariantMap> ShellSearchProvider::GetResultMetas(const QStringList &identifiers) {
    m_sumwise.didPerformService();
    QList<QVariantMap> metas;
    for (const QString &id : identifiers) {
        const std::optional<SearchResult> result = m_evaluator.evaluate(id);
        if (!result)
            continue;
        metas.append({
            {QStringLiteral("id"), id},
            {QStringLiteral("name"), result->formula + QStringLiteral(" = ") + result->value},
            {QStringLiteral("description"), platform::localizedString(Hint)},
            {QStringLiteral("clipboardText"), result->value},
        });
    }
    return metas;
}

void ShellSearchProvider::ActivateResult(const QString &identifier, const QStringList &terms,
                                         uint timestamp) {
    Q_UNUSED(terms);
    Q_UNUSED(timestamp);
    m_sumwise.didPerformService();
    QString error;
    if (!m_evaluator.copy(identifier, &error))
        sendErrorReply(Bus::Error, error);
}

void ShellSearchProvider::LaunchSearch(const QStringList &terms, uint timestamp) {
    Q_UNUSED(timestamp);
    m_sumwise.didPerformService();
    // The panel waits for the user: answer the shell first.
    const QString query = SearchEvaluator::queryOf(terms);
    QTimer::singleShot(0, this, [this, query] { m_evaluator.show(query); });
}

QDBusArgument &operator<<(QDBusArgument &argument, const RunnerMatch &match) {
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance
             << match.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, RunnerMatch &match) {
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance
        >> match.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const RunnerAction &action) {
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, RunnerAction &action) {
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

KRunnerProvider::KRunnerProvider(SearchEvaluator &evaluator, Sumwise &sumwise, QObject *parent)
    : QObject(parent)
    , m_evaluator(evaluator)
    , m_sumwise(sumwise) {
    qDBusRegisterMetaType<RunnerMatch>();
    qDBusRegisterMetaType<QList<RunnerMatch>>();
    qDBusRegisterMetaType<RunnerAction>();
    qDBusRegisterMetaType<QList<RunnerAction>>();
}

QList<RunnerAction> KRunnerProvider::Actions() {
    m_sumwise.didPerformService();
    return {{QStringLiteral("copy"), platform::localizedString(Hint), QStringLiteral("edit-copy")}};
}

QList<RunnerMatch> KRunnerProvider::Match(const QString &query) {
    m_sumwise.didPerformService();
    const std::optional<SearchResult> result = m_evaluator.evaluate(query);
    if (!result)
        return {};
    return {{result->query,
             result->formula + QStringLiteral(" = ") + result->value,
             QStringLiteral("sumwise"),
             ExactMatch,
             1.0,
             {{QStringLiteral("subtext"), platform::localizedString(Hint)}}}};
}

void KRunnerProvider::Run(const QString &matchId, const QString &actionId) {
    m_sumwise.didPerformService();
    if (!actionId.isEmpty() && actionId != u"copy") {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("Sumwise has no action '%1'").arg(actionId));
        return;
    }
    QString error;
    if (!m_evaluator.copy(matchId, &error))
        sendErrorReply(Bus::Error, error);
}
