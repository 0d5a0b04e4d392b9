// Desktop search: the provider answers GNOME Shell's search (org.gnome.Shell.SearchProvider2)
// and KRunner (org.kde.krunner1) with the same evaluator as the four services.
#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class Sumwise;

/// One offered result: what the user typed, the formula it stands for, and its value.
struct SearchResult {
    QString query;   ///< the result's id: activation evaluates it again
    QString formula; ///< the query without its leading "=" and outer white space
    QString value;   ///< the result text, as copied
};

/// Decides what desktop search offers for a query, and applies a chosen one.
class SearchEvaluator {
public:
    /// storeFile is the settings file that sumwise reads, copied for queries that assign.
    SearchEvaluator(Sumwise &sumwise, QString storeFile);

    /// The terms of a search joined as the user typed them.
    static QString queryOf(const QStringList &terms);
    /// The formula a query offers, or nothing: empty text, a plain number ("42", "-3,5",
    /// "1.000,5") and, unless typed after "=", a lone name such as "e" or "x" are no
    /// calculation the user asked for.
    static std::optional<QString> formulaOf(const QString &query);

    /// The result offered for a query, or nothing when it fails. Assignments are evaluated
    /// on a scratch copy of the store: typing "x=12" must not store 1, then 12.
    std::optional<SearchResult> evaluate(const QString &query);

    /// Evaluates the query for real (an assignment is stored) and puts the result on the
    /// clipboard through the copy service. False with *error when nothing is offered.
    bool copy(const QString &query, QString *error);
    /// Shows the query in the Show panel; false when the query is empty.
    bool show(const QString &query);

private:
    Sumwise &m_sumwise;
    QString m_storeFile;
};

/// The GNOME Shell search provider.
class ShellSearchProvider : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")

public:
    explicit ShellSearchProvider(SearchEvaluator &evaluator, Sumwise &sumwise,
                                 QObject *parent = nullptr);

public Q_SLOTS:
    QStringList GetInitialResultSet(const QStringList &terms);
    QStringList GetSubsearchResultSet(const QStringList &previousResults, const QStringList &terms);
    QList<QVariantMap> GetResultMetas(const QStringList &identifiers);
    void ActivateResult(const QString &identifier, const QStringList &terms, uint timestamp);
    void LaunchSearch(const QStringList &terms, uint timestamp);

private:
    QStringList results(const QStringList &terms);

    SearchEvaluator &m_evaluator;
    Sumwise &m_sumwise;
};

/// A KRunner match: id, text, icon name, type (relevance category), relevance, properties.
struct RunnerMatch {
    QString id;
    QString text;
    QString iconName;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};

/// A KRunner action: id, text, icon name.
struct RunnerAction {
    QString id;
    QString text;
    QString iconName;
};

QDBusArgument &operator<<(QDBusArgument &argument, const RunnerMatch &match);
const QDBusArgument &operator>>(const QDBusArgument &argument, RunnerMatch &match);
QDBusArgument &operator<<(QDBusArgument &argument, const RunnerAction &action);
const QDBusArgument &operator>>(const QDBusArgument &argument, RunnerAction &action);

/// The KRunner D-Bus runner.
class KRunnerProvider : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")

public:
    explicit KRunnerProvider(SearchEvaluator &evaluator, Sumwise &sumwise,
                             QObject *parent = nullptr);

public Q_SLOTS:
    QList<RunnerAction> Actions();
    QList<RunnerMatch> Match(const QString &query);
    void Run(const QString &matchId, const QString &actionId);

private:
    SearchEvaluator &m_evaluator;
    Sumwise &m_sumwise;
};

Q_DECLARE_METATYPE(RunnerMatch)
Q_DECLARE_METATYPE(RunnerAction)
