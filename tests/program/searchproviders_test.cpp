// Desktop search on a private session bus, called with exactly the signatures GNOME Shell
// (org.gnome.Shell.SearchProvider2) and KRunner (org.kde.krunner1) use; the provider is
// started by D-Bus activation, as the desktop starts it.
#include "tests/support/sessionbus.h"

#include "pasteboard/clipboard.h"

#include <QDBusArgument>
#include <QSettings>

#include <optional>

namespace {

struct Match {
    QString id, text, icon;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};

class SearchProvidersTest : public SessionBusTest {
protected:
    QProcess xvfb;
    std::optional<QDBusConnection> shellBus;

    void SetUp() override { start(environment()); }

    void start(const QProcessEnvironment &env) {
        if (!startBus(env))
            GTEST_SKIP() << "no dbus-daemon or test bus configuration";
        shellBus = connection("shell");
        ASSERT_TRUE(shellBus->isConnected());
    }

    void TearDown() override {
        shellBus.reset();
        QDBusConnection::disconnectFromBus("shell");
        SessionBusTest::TearDown();
        qunsetenv("DISPLAY");
    }

    // What the user's store holds under key, read from the file as another process would.
    QVariant stored(const QString &key) const {
        return QSettings(storeFile(), QSettings::IniFormat).value(key);
    }

    // A call to the shell's (or with runner, KRunner's) interface; signature: the reply's.
    QDBusMessage call(bool runner, const QString &method, const QVariantList &args,
                      const char *signature = nullptr) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            BusName,
            runner ? "/org/sumwise/Sumwise/KRunner" : "/org/sumwise/Sumwise/SearchProvider",
            runner ? "org.kde.krunner1" : "org.gnome.Shell.SearchProvider2", method);
        m.setArguments(args);
        const QDBusMessage r = shellBus->call(m, QDBus::Block, 20000);
        if (signature) {
            EXPECT_EQ(r.signature(), signature)
                << method.toStdString() << " " << r.errorMessage().toStdString();
        }
        return r;
    }

    // A result set: the ids of the results for the terms, or for terms after previous.
    QStringList initial(const QStringList &terms, const QVariant &previous = {}) {
        const QDBusMessage r = previous.isValid()
                                   ? call(false, "GetSubsearchResultSet", {previous, terms}, "as")
                                   : call(false, "GetInitialResultSet", {terms}, "as");
        return r.arguments().value(0).toStringList();
    }
    QList<QVariantMap> metas(const QStringList &ids) {
        return qdbus_cast<QList<QVariantMap>>(
            call(false, "GetResultMetas", {ids}, "aa{sv}").arguments().value(0));
    }
    QDBusMessage activate(const QString &id) {
        return call(false, "ActivateResult", {id, QStringList{id}, QVariant::fromValue(12345u)});
    }
    // KRunner's matches, or with actions, its actions (id, text and icon only).
    QList<Match> match(const QString &query, bool actions = false) {
        const QDBusMessage reply = actions ? call(true, "Actions", {}, "a(sss)")
                                           : call(true, "Match", {query}, "a(sssida{sv})");
        QList<Match> list;
        const QDBusArgument arg = reply.arguments().value(0).value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            Match m;
            arg.beginStructure();
            arg >> m.id >> m.text >> m.icon;
            if (!actions)
                arg >> m.type >> m.relevance >> m.properties;
            arg.endStructure();
            list.append(m);
        }
        arg.endArray();
        return list;
    }
    QDBusMessage run(const QString &id, const QString &action = {}) {
        return call(true, "Run", {id, action});
    }

    // Both shells' answer for one query: the result's name, or empty when nothing is offered.
    std::pair<QString, QString> answers(const QStringList &terms) {
        QString gnome;
        const QStringList ids = initial(terms);
        if (!ids.isEmpty()) {
            EXPECT_EQ(ids.size(), 1);
            gnome = metas(ids).value(0).value("name").toString();
        }
        return {gnome, match(terms.join(u' ')).value(0).text};
    }
};

TEST_F(SearchProvidersTest, OffersOnlyWhatEvaluates) {
    struct {
        QStringList terms;
        const char *name; // empty: nothing offered
    } const cases[] = {
        {{"2*(3+4)^2"}, "2*(3+4)^2 = 98"},
        {{"1", "+", "2"}, "1 + 2 = 3"},
        {{"=", "pi"}, "pi = 3.14159265359"},
        {{"10^400"}, "10^400 = inf"},
        // Plain numbers only repeat themselves.
        {{"-3,5"}, ""},
        {{"=42"}, ""},
        // A lone name is a word being typed, unless "=" asks for its value.
        {{"e"}, ""},
        {{"1/0"}, ""},
        {{"="}, ""},
        {{}, ""},
        {{"→∑ü"}, ""},
    };
    for (const auto &c : cases) {
        const QString want = QString::fromUtf8(c.name);
        EXPECT_EQ(answers(c.terms), std::pair(want, want)) << c.terms.join(u'|').toStdString();
    }
}

TEST_F(SearchProvidersTest, ResultMetasAndMatchesCarryWhatTheShellsShow) {
    ASSERT_EQ(initial({"=2^10"}), QStringList{"=2^10"});
    // Several ids at once, one of them no formula: that one is left out.
    const QList<QVariantMap> m = metas({"=2^10", "nonsense", "3*3"});
    ASSERT_EQ(m.size(), 2);
    QStringList first;
    for (const char *key : {"id", "name", "clipboardText"})
        first << m[0].value(key).toString();
    EXPECT_EQ(first, QStringList({"=2^10", "2^10 = 1024", "1024"}));
    EXPECT_EQ(m[1].value("id").toString(), "3*3");
    EXPECT_TRUE(metas({}).isEmpty());

    // Subsequent result sets answer the new terms, whatever came before.
    EXPECT_EQ(initial({"2*"}, QStringList{}), QStringList{});
    EXPECT_EQ(initial({"2*3", "+1"}, QStringList{"2*3"}), QStringList{"2*3 +1"});
    EXPECT_EQ(initial({"2*3a"}, QStringList{"2*3"}), QStringList{});

    // KRunner's id is the query without its blanks; its one action copies.
    EXPECT_EQ(match(" =2^10 ").value(0).id, "=2^10");
    const QList<Match> actions = match({}, true);
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0].id, "copy");
}

TEST_F(SearchProvidersTest, TypingAnAssignmentStoresNothingUntilChosen) {
    // Keystroke by keystroke, as the shells send them.
    for (const char *typed : {"y", "y=", "y=1", "y=12"})
        answers({typed});
    EXPECT_EQ(answers({"y=12"}).first, "y=12 = 12");
    EXPECT_EQ(answers({"=y"}).first, QString()) << "y was stored while typing";
    EXPECT_FALSE(stored("Y").isValid());

    // Enter applies it for real.
    EXPECT_EQ(activate("y=12").errorMessage(), QString());
    EXPECT_EQ(stored("Y").toDouble(), 12.0);
    EXPECT_EQ(answers({"y*2"}), std::pair(QString("y*2 = 24"), QString("y*2 = 24")));

    // Searching a new value twice shows it without touching the stored one.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(match("y=y+1").value(0).text, "y=y+1 = 13");
    EXPECT_EQ(stored("Y").toDouble(), 12.0);
    EXPECT_EQ(run("=y=y+1").errorMessage(), QString());
    EXPECT_EQ(stored("Y").toDouble(), 13.0);
}

TEST_F(SearchProvidersTest, BadActivationsAnswerWithAnError) {
    struct {
        bool runner;
        QString id, action;
        const char *error; // the error's name (the choices that work are the clipboard's test)
    } const cases[] = {
        {false, "1/0", {}, "org.sumwise.Sumwise.Error"},
        {true, "2+", {}, "org.sumwise.Sumwise.Error"},
        {true, "2+2", "open", "org.freedesktop.DBus.Error.InvalidArgs"},
    };
    for (const auto &c : cases) {
        const QDBusMessage r = c.runner ? run(c.id, c.action) : activate(c.id);
        EXPECT_EQ(r.errorName(), c.error) << c.id.toStdString();
    }
}

TEST_F(SearchProvidersTest, HostileQueriesGetAnAnswer) {
    const QString sum = "1" + QString("+1").repeated(50000);
    EXPECT_TRUE(initial({QString(20000, u'(') + u'1' + QString(20000, u')')}).isEmpty());
    EXPECT_EQ(initial({sum}), QStringList{sum});
    EXPECT_EQ(match("z=" + sum).value(0).text.right(8), " = 50001");
    EXPECT_TRUE(match(QString(100000, u'=')).isEmpty());
    EXPECT_FALSE(stored("Z").isValid());
    EXPECT_EQ(match("1+1").value(0).text, "1+1 = 2");
}

TEST_F(SearchProvidersTest, AStartedProviderServesWithoutItsLaunchPanel) {
    EXPECT_EQ(initial({"1+1"}), QStringList{"1+1"});
    const uint pid = providerPid();
    ASSERT_NE(pid, 0u);
    // Past the first slice: a provider that had served nothing would have asked the user.
    QThread::msleep(1500);
    EXPECT_EQ(providerPid(), pid);
    // It still ends after its slices, and the next query starts a new provider.
    EXPECT_TRUE(providerEnds());
    EXPECT_EQ(match("2+2").value(0).text, "2+2 = 4");
    EXPECT_NE(providerPid(), 0u);
    EXPECT_NE(providerPid(), pid);
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(SearchProvidersTest, LaunchSearchShowsThePanel) {
    const QDBusMessage r =
        call(false, "LaunchSearch", {QStringList{"=2+3"}, QVariant::fromValue(1u)});
    EXPECT_EQ(r.errorMessage(), QString());
    waitUntil([&] { return !alerts().isEmpty(); }, 10000);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].value("informativeText").toString(), "Formula:\n\t2+3\n\nResult:\n\t5");
}

class SearchProvidersClipboardTest : public SearchProvidersTest {
protected:
    // A private X server whose clipboard the provider writes; a server resetting between the
    // provider's probe and the clipboard holder's connection would refuse the holder.
    void SetUp() override {
        const QString display = startXvfb(xvfb);
        if (display.isEmpty())
            GTEST_SKIP() << "no Xvfb";
        qputenv("DISPLAY", display.toLatin1());
        start(with(environment(), {"DISPLAY=" + display}));
    }

    // The clipboard once it holds want, or what it holds after 20 seconds: on a loaded
    // machine the holder may take over a little after the reply.
    QString clipboard(const QString &want) {
        QString held;
        waitUntil(
            [&] {
                const ClipboardPasteboard pboard(ClipboardSelection::Clipboard,
                                                 ClipboardBackend::X11);
                return (held = QString::fromUtf8(pboard.dataForType(PasteboardType::String)))
                       == want;
            },
            20000);
        return held;
    }
};

TEST_F(SearchProvidersClipboardTest, ChosenResultsStayOnTheClipboard) {
    ASSERT_EQ(activate("=2^10").errorMessage(), QString());
    EXPECT_EQ(clipboard("1024"), "1024");
    ASSERT_EQ(run("sqrt(16)").errorMessage(), QString());
    EXPECT_EQ(clipboard("4"), "4");
    // A failed choice leaves the clipboard alone.
    EXPECT_EQ(run("1/0").type(), QDBusMessage::ErrorMessage);
    // The provider ends; the result stays.
    ASSERT_TRUE(providerEnds());
    EXPECT_EQ(clipboard("4"), "4");
}

} // namespace
