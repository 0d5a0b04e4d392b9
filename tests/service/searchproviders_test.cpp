// Desktop search on a private session bus, called with exactly the signatures GNOME Shell
// (org.gnome.Shell.SearchProvider2) and KRunner (org.kde.krunner1) use; the provider is
// started by D-Bus activation, as the desktop starts it.
#include "sessionbus.h"

#include "service/clipboard.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QSettings>
#include <QThread>

#include <optional>

namespace {

const QString Name = QStringLiteral("org.sumwise.Sumwise");
const QString ShellPath = QStringLiteral("/org/sumwise/Sumwise/SearchProvider");
const QString ShellInterface = QStringLiteral("org.gnome.Shell.SearchProvider2");
const QString RunnerPath = QStringLiteral("/org/sumwise/Sumwise/KRunner");
const QString RunnerInterface = QStringLiteral("org.kde.krunner1");

struct Match {
    QString id, text, icon;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};

class SearchProvidersTest : public SessionBusTest {
protected:
    QProcess xvfb;
    std::optional<QDBusConnection> connection;

    void SetUp() override { start(environment()); }

    void start(const QProcessEnvironment &env) {
        if (!startBus(env))
            GTEST_SKIP() << "no dbus-daemon or test bus configuration";
        connection = QDBusConnection::connectToBus(address, QStringLiteral("shell"));
        ASSERT_TRUE(connection->isConnected());
    }

    void TearDown() override {
        connection.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("shell"));
        SessionBusTest::TearDown();
        xvfb.terminate();
        xvfb.waitForFinished(5000);
        qunsetenv("DISPLAY");
    }

    // What the user's store holds under key, read from the file as another process would.
    QVariant stored(const QString &key) const {
        return QSettings(home.filePath(QStringLiteral("config/Sumwise/Sumwise.conf")),
                         QSettings::IniFormat)
            .value(key);
    }

    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &args) {
        QDBusMessage m = QDBusMessage::createMethodCall(Name, path, interface, method);
        m.setArguments(args);
        return connection->call(m, QDBus::Block, 20000);
    }

    QStringList initial(const QStringList &terms) {
        const QDBusMessage r =
            call(ShellPath, ShellInterface, QStringLiteral("GetInitialResultSet"), {terms});
        EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << r.errorMessage().toStdString();
        EXPECT_EQ(r.signature(), QStringLiteral("as"));
        return r.arguments().value(0).toStringList();
    }

    QStringList subsearch(const QStringList &previous, const QStringList &terms) {
        const QDBusMessage r = call(ShellPath, ShellInterface,
                                    QStringLiteral("GetSubsearchResultSet"), {previous, terms});
        EXPECT_EQ(r.signature(), QStringLiteral("as"));
        return r.arguments().value(0).toStringList();
    }

    QList<QVariantMap> metas(const QStringList &ids) {
        const QDBusMessage r =
            call(ShellPath, ShellInterface, QStringLiteral("GetResultMetas"), {ids});
        EXPECT_EQ(r.signature(), QStringLiteral("aa{sv}")) << r.errorMessage().toStdString();
        QList<QVariantMap> list;
        const QDBusArgument arg = r.arguments().value(0).value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QVariantMap meta;
            arg >> meta;
            list.append(meta);
        }
        arg.endArray();
        return list;
    }

    QDBusMessage activate(const QString &id, const QStringList &terms) {
        return call(ShellPath, ShellInterface, QStringLiteral("ActivateResult"),
                    {id, terms, QVariant::fromValue(uint(12345))});
    }

    QList<Match> match(const QString &query) {
        const QDBusMessage r = call(RunnerPath, RunnerInterface, QStringLiteral("Match"), {query});
        EXPECT_EQ(r.signature(), QStringLiteral("a(sssida{sv})")) << r.errorMessage().toStdString();
        QList<Match> list;
        const QDBusArgument arg = r.arguments().value(0).value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            Match m;
            arg.beginStructure();
            arg >> m.id >> m.text >> m.icon >> m.type >> m.relevance >> m.properties;
            arg.endStructure();
            list.append(m);
        }
        arg.endArray();
        return list;
    }

    QDBusMessage run(const QString &id, const QString &action) {
        return call(RunnerPath, RunnerInterface, QStringLiteral("Run"), {id, action});
    }

    // Both shells' answer for one query: the result's name, or empty when nothing is offered.
    std::pair<QString, QString> answers(const QStringList &terms) {
        QString gnome;
        const QStringList ids = initial(terms);
        if (!ids.isEmpty()) {
            EXPECT_EQ(ids.size(), 1);
            const QList<QVariantMap> m = metas(ids);
            if (m.size() == 1)
                gnome = m[0].value(QStringLiteral("name")).toString();
        }
        const QList<Match> matches = match(terms.join(u' '));
        return {gnome, matches.isEmpty() ? QString() : matches[0].text};
    }
};

TEST_F(SearchProvidersTest, OffersOnlyWhatEvaluates) {
    struct {
        QStringList terms;
        const char *name; // empty: nothing offered
    } const cases[] = {
        {{"2*(3+4)^2"}, "2*(3+4)^2 = 98"},
        {{"=sqrt(2)/2"}, "sqrt(2)/2 = 0.707106781187"},
        {{"1", "+", "2"}, "1 + 2 = 3"},
        {{"=e"}, "e = 2.71828182846"},
        {{"=", "pi"}, "pi = 3.14159265359"},
        {{"10^400"}, "10^400 = inf"},
        // Plain numbers only repeat themselves.
        {{"42"}, ""},
        {{"-3,5"}, ""},
        {{"1.000,5"}, ""},
        {{"1", "000", "000"}, ""},
        {{"=42"}, ""},
        // A lone name is a word being typed, unless "=" asks for its value.
        {{"e"}, ""},
        {{"G"}, ""},
        // Failures and no text.
        {{"terminal", "settings"}, ""},
        {{"1/0"}, ""},
        {{"==2"}, ""},
        {{"="}, ""},
        {{""}, ""},
        {{}, ""},
        {{"→∑ü"}, ""},
    };
    for (const auto &c : cases) {
        const auto [gnome, kde] = answers(c.terms);
        const QString want = QString::fromUtf8(c.name);
        EXPECT_EQ(gnome, want) << c.terms.join(u'|').toStdString();
        EXPECT_EQ(kde, want) << c.terms.join(u'|').toStdString();
    }
}

TEST_F(SearchProvidersTest, ResultMetasAndMatchesCarryWhatTheShellsShow) {
    ASSERT_EQ(initial({QStringLiteral("=2^10")}), QStringList{QStringLiteral("=2^10")});
    // Several ids at once, one of them no formula: that one is left out.
    const QList<QVariantMap> m =
        metas({QStringLiteral("=2^10"), QStringLiteral("nonsense"), QStringLiteral("3*3")});
    ASSERT_EQ(m.size(), 2);
    EXPECT_EQ(m[0].value(QStringLiteral("id")).toString(), QStringLiteral("=2^10"));
    EXPECT_EQ(m[0].value(QStringLiteral("name")).toString(), QStringLiteral("2^10 = 1024"));
    EXPECT_EQ(m[0].value(QStringLiteral("clipboardText")).toString(), QStringLiteral("1024"));
    EXPECT_FALSE(m[0].value(QStringLiteral("description")).toString().isEmpty());
    EXPECT_EQ(m[1].value(QStringLiteral("id")).toString(), QStringLiteral("3*3"));
    EXPECT_TRUE(metas({}).isEmpty());

    // Subsequent result sets answer the new terms, whatever came before.
    EXPECT_EQ(subsearch({}, {QStringLiteral("2*")}), QStringList{});
    EXPECT_EQ(subsearch({QStringLiteral("2*3")}, {QStringLiteral("2*3"), QStringLiteral("+1")}),
              QStringList{QStringLiteral("2*3 +1")});
    EXPECT_EQ(subsearch({QStringLiteral("2*3")}, {QStringLiteral("2*3a")}), QStringList{});

    const QList<Match> matches = match(QStringLiteral(" =2^10 "));
    ASSERT_EQ(matches.size(), 1);
    EXPECT_EQ(matches[0].id, QStringLiteral("=2^10"));
    EXPECT_EQ(matches[0].text, QStringLiteral("2^10 = 1024"));
    EXPECT_EQ(matches[0].icon, QStringLiteral("sumwise"));
    EXPECT_EQ(matches[0].type, 100);
    EXPECT_DOUBLE_EQ(matches[0].relevance, 1.0);

    const QDBusMessage actions = call(RunnerPath, RunnerInterface, QStringLiteral("Actions"), {});
    ASSERT_EQ(actions.signature(), QStringLiteral("a(sss)"));
    const QDBusArgument arg = actions.arguments().value(0).value<QDBusArgument>();
    QStringList ids;
    arg.beginArray();
    while (!arg.atEnd()) {
        QString id, text, icon;
        arg.beginStructure();
        arg >> id >> text >> icon;
        arg.endStructure();
        ids.append(id);
        EXPECT_FALSE(text.isEmpty());
    }
    arg.endArray();
    EXPECT_EQ(ids, QStringList{QStringLiteral("copy")});
}

TEST_F(SearchProvidersTest, TypingAnAssignmentStoresNothingUntilChosen) {
    // Keystroke by keystroke, as the shells send them.
    for (const char *typed : {"y", "y=", "y=1", "y=12"})
        answers({QString::fromUtf8(typed)});
    EXPECT_EQ(answers({QStringLiteral("y=12")}).first, QStringLiteral("y=12 = 12"));
    EXPECT_EQ(answers({QStringLiteral("=y")}).first, QString()) << "y was stored while typing";
    EXPECT_FALSE(stored(QStringLiteral("Y")).isValid());

    // Enter applies it for real.
    const QDBusMessage r = activate(QStringLiteral("y=12"), {QStringLiteral("y=12")});
    EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << r.errorMessage().toStdString();
    EXPECT_EQ(stored(QStringLiteral("Y")).toDouble(), 12.0);
    EXPECT_EQ(answers({QStringLiteral("y*2")}),
              std::pair(QStringLiteral("y*2 = 24"), QStringLiteral("y*2 = 24")));

    // Searching a new value twice shows it without touching the stored one.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(match(QStringLiteral("y=y+1")).value(0).text, QStringLiteral("y=y+1 = 13"));
    EXPECT_EQ(stored(QStringLiteral("Y")).toDouble(), 12.0);
    const QDBusMessage ran = run(QStringLiteral("=y=y+1"), QString());
    EXPECT_EQ(ran.type(), QDBusMessage::ReplyMessage) << ran.errorMessage().toStdString();
    EXPECT_EQ(stored(QStringLiteral("Y")).toDouble(), 13.0);
}

TEST_F(SearchProvidersTest, BadActivationsAnswerWithAnError) {
    struct {
        bool runner;
        QString id, action;
        const char *error; // the error's name, empty for a reply
    } const cases[] = {
        {false, QStringLiteral("1/0"), {}, "org.sumwise.Sumwise.Error"},
        {false, QString(), {}, "org.sumwise.Sumwise.Error"},
        {true, QStringLiteral("2+"), {}, "org.sumwise.Sumwise.Error"},
        {true, QStringLiteral("2+2"), QStringLiteral("open"),
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {true, QStringLiteral("2+2"), QStringLiteral("copy"), ""},
        {false, QStringLiteral("=2+2"), {}, ""},
    };
    for (const auto &c : cases) {
        const QDBusMessage r = c.runner ? run(c.id, c.action) : activate(c.id, {c.id});
        EXPECT_EQ(r.errorName(), QString::fromUtf8(c.error)) << c.id.toStdString();
    }
}

TEST_F(SearchProvidersTest, HostileQueriesGetAnAnswer) {
    const QString nested = QString(20000, u'(') + u'1' + QString(20000, u')');
    QString sum = QStringLiteral("1");
    for (int i = 0; i < 50000; ++i)
        sum += QStringLiteral("+1");
    EXPECT_TRUE(initial({nested}).isEmpty());
    EXPECT_EQ(initial({sum}), QStringList{sum});
    EXPECT_EQ(match(QStringLiteral("z=") + sum).value(0).text.right(8), QStringLiteral(" = 50001"));
    EXPECT_TRUE(match(QString(100000, u'=')).isEmpty());
    EXPECT_TRUE(match(QStringLiteral("\t\n\r")).isEmpty());
    EXPECT_FALSE(stored(QStringLiteral("Z")).isValid());
    EXPECT_EQ(match(QStringLiteral("1+1")).value(0).text, QStringLiteral("1+1 = 2"));
}

TEST_F(SearchProvidersTest, AStartedProviderServesWithoutItsLaunchPanel) {
    EXPECT_EQ(initial({QStringLiteral("1+1")}), QStringList{QStringLiteral("1+1")});
    const uint pid = providerPid();
    ASSERT_NE(pid, 0u);
    // Past the first slice: a provider that had served nothing would have asked the user.
    QThread::msleep(1500);
    EXPECT_EQ(providerPid(), pid);
    // It still ends after its slices, and the next query starts a new provider.
    EXPECT_TRUE(providerEnds());
    EXPECT_EQ(match(QStringLiteral("2+2")).value(0).text, QStringLiteral("2+2 = 4"));
    EXPECT_NE(providerPid(), 0u);
    EXPECT_NE(providerPid(), pid);
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(SearchProvidersTest, LaunchSearchShowsThePanel) {
    const QDBusMessage r =
        call(ShellPath, ShellInterface, QStringLiteral("LaunchSearch"),
             {QStringList{QStringLiteral("=2+3")}, QVariant::fromValue(uint(1))});
    EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << r.errorMessage().toStdString();
    QElapsedTimer clock;
    clock.start();
    while (alerts().isEmpty() && clock.elapsed() < 10000)
        QThread::msleep(50);
    const QList<QJsonObject> shown = alerts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].value(QStringLiteral("informativeText")).toString(),
              QStringLiteral("Formula:\n\t2+3\n\nResult:\n\t5"));
}

class SearchProvidersClipboardTest : public SearchProvidersTest {
protected:
    // A private X server whose clipboard the provider writes.
    void SetUp() override {
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!xvfb.waitForStarted(5000) || !xvfb.waitForReadyRead(10000))
            GTEST_SKIP() << "no Xvfb";
        const QByteArray display = ":" + xvfb.readLine().trimmed();
        qputenv("DISPLAY", display);
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        start(env);
    }

    // The clipboard once it holds want, or what it holds after 20 seconds: on a loaded
    // machine the holder may take over a little after the reply.
    QString clipboard(const QString &want) {
        QElapsedTimer clock;
        clock.start();
        QString held;
        do {
            const ClipboardPasteboard pboard(ClipboardSelection::Clipboard, ClipboardBackend::X11);
            held = QString::fromUtf8(pboard.dataForType(PasteboardType::String));
            if (held == want)
                break;
            QThread::msleep(100);
        } while (clock.elapsed() < 20000);
        return held;
    }
};

TEST_F(SearchProvidersClipboardTest, ChosenResultsStayOnTheClipboard) {
    const QDBusMessage shell = activate(QStringLiteral("=2^10"), {QStringLiteral("=2^10")});
    ASSERT_EQ(shell.type(), QDBusMessage::ReplyMessage) << shell.errorMessage().toStdString();
    EXPECT_EQ(clipboard(QStringLiteral("1024")), QStringLiteral("1024"));
    const QDBusMessage runner = run(QStringLiteral("sqrt(16)"), QString());
    ASSERT_EQ(runner.type(), QDBusMessage::ReplyMessage) << runner.errorMessage().toStdString();
    EXPECT_EQ(clipboard(QStringLiteral("4")), QStringLiteral("4"));
    // A failed choice leaves the clipboard alone.
    EXPECT_EQ(run(QStringLiteral("1/0"), QString()).type(), QDBusMessage::ErrorMessage);
    // The provider ends; the result stays.
    ASSERT_TRUE(providerEnds());
    EXPECT_EQ(clipboard(QStringLiteral("4")), QStringLiteral("4"));
}

} // namespace
