// Desktop search on a private session bus, called with exactly the signatures GNOME Shell
// (org.gnome.Shell.SearchProvider2) and KRunner (org.kde.krunner1) use; the provider is
// started by D-Bus activation, as the desktop starts it.
#include "tests/support/sessionbus.h"

#include "pasteboard/clipboard.h"

#include <QDBusArgument>
#include <QSettings>

#include <optional>

namespace {

class SearchProvidersTest : public SessionBusTest {
protected:
    QProcess xvfb;
    Environment env;
    std::optional<QDBusConnection> shellBus;

    // A private X server whose clipboard the provider writes; a server resetting between the
    // provider's probe and the clipboard holder's connection would refuse the holder.
    void SetUp() override {
        const QString display = startXvfb(xvfb);
        env.set("DISPLAY", display.toLatin1());
        if (display.isEmpty() || !startBus(with(environment(), {"DISPLAY=" + display})))
            GTEST_SKIP() << "no Xvfb, dbus-daemon or test bus configuration";
        shellBus = connection("shell");
        ASSERT_TRUE(shellBus->isConnected());
    }

    void TearDown() override {
        shellBus.reset();
        QDBusConnection::disconnectFromBus("shell");
        SessionBusTest::TearDown();
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
    // KRunner's matches, or with actions, its actions: their ids and texts.
    QList<std::pair<QString, QString>> match(const QString &query, bool actions = false) {
        const QDBusArgument arg = (actions ? call(true, "Actions", {}, "a(sss)")
                                           : call(true, "Match", {query}, "a(sssida{sv})"))
                                      .arguments()
                                      .value(0)
                                      .value<QDBusArgument>();
        QList<std::pair<QString, QString>> list;
        QString id, text; // the rest of each structure is skipped: call() checked its types
        for (arg.beginArray(); !arg.atEnd(); list.append({id, text})) {
            arg.beginStructure();
            arg >> id >> text;
            arg.endStructure();
        }
        arg.endArray();
        return list;
    }

    QDBusMessage run(const QString &id, const QString &action = {}) {
        return call(true, "Run", {id, action});
    }

    // Whether the clipboard comes to hold want: the holder may take over after the reply.
    bool clipboardHolds(const QByteArray &want) {
        const auto holds = [&] {
            ClipboardPasteboard clipboard(ClipboardSelection::Clipboard, ClipboardBackend::X11);
            return clipboard.dataForType(PasteboardType::String) == want;
        };
        return waitUntil(holds, 20000);
    }

    // Both shells' answer for one query: the result's name, or empty when nothing is offered.
    std::pair<QString, QString> answers(const QStringList &terms) {
        QString gnome;
        const QStringList ids = initial(terms);
        if (!ids.isEmpty()) {
            EXPECT_EQ(ids.size(), 1);
            gnome = metas(ids).value(0).value("name").toString();
        }
        return {gnome, match(terms.join(u' ')).value(0).second};
    }
};

TEST_F(SearchProvidersTest, OffersOnlyWhatEvaluates) {
    struct {
        QStringList terms;
        const char *name; // empty: nothing offered
    } const cases[] = {
        {{"1", "+", "2"}, "1 + 2 = 3"},
        {{"=", "pi"}, "pi = 3.14159265359"},
        // Plain numbers only repeat themselves.
        {{"-3,5"}, ""},
        {{"=42"}, ""},
        // A lone name is a word being typed, unless "=" asks for its value.
        {{"e"}, ""},
        {{"1/0"}, ""},
        {{}, ""},
    };
    for (const auto &c : cases) {
        const QString want = QString::fromUtf8(c.name);
        EXPECT_EQ(answers(c.terms), std::pair(want, want)) << c.terms.join(u'|').toStdString();
    }
}

TEST_F(SearchProvidersTest, ResultMetasAndMatchesCarryWhatTheShellsShow) {
    // Several ids at once, one of them no formula: that one is left out.
    const QList<QVariantMap> m = metas({"nonsense", "=2^10"});
    ASSERT_EQ(m.size(), 1);
    EXPECT_EQ(m[0].value("id").toString(), "=2^10");
    EXPECT_EQ(m[0].value("clipboardText").toString(), "1024");
    // Subsequent result sets answer the new terms, whatever came before.
    EXPECT_EQ(initial({"2*3", "+1"}, QStringList{"2*3a"}), QStringList{"2*3 +1"});
    // KRunner's id is the query without its blanks; its one action copies.
    EXPECT_EQ(match(" =2^10 ").value(0).first, "=2^10");
    const auto actions = match({}, true);
    EXPECT_TRUE(actions.size() == 1 && actions[0].first == u"copy");
}

TEST_F(SearchProvidersTest, TypingAnAssignmentStoresNothingUntilChosen) {
    // Keystroke by keystroke, as the shells send them.
    for (const char *typed : {"y", "y=", "y=1"})
        answers({typed});
    EXPECT_EQ(answers({"y=12"}).first, "y=12 = 12");
    EXPECT_EQ(answers({"=y"}).first, QString()) << "y was stored while typing";
    // Enter applies it for real, in either shell.
    EXPECT_EQ(activate("y=12").errorMessage(), QString());
    EXPECT_EQ(stored("Y").toDouble(), 12.0);
    EXPECT_EQ(match("y=y+1").value(0).second, "y=y+1 = 13");
    EXPECT_EQ(stored("Y").toDouble(), 12.0);
    EXPECT_EQ(run("=y=y+1").errorMessage(), QString());
    EXPECT_EQ(stored("Y").toDouble(), 13.0);
}

// The provider outlives hostile queries (deep nesting is the evaluator's test), and one
// started for a search shows no launch panel.
TEST_F(SearchProvidersTest, HostileQueriesGetAnAnswer) {
    const QString sum = "1" + QString("+1").repeated(50000);
    EXPECT_EQ(initial({sum}), QStringList{sum});
    EXPECT_TRUE(match(QString(100000, u'=') + QStringLiteral("→∑ü")).isEmpty());
    EXPECT_EQ(match("1+1").value(0).second, "1+1 = 2");
    EXPECT_TRUE(providerEnds());
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(SearchProvidersTest, ChosenResultsStayOnTheClipboard) {
    ASSERT_EQ(activate("=2^10").errorMessage(), QString());
    EXPECT_TRUE(clipboardHolds("1024"));
    ASSERT_EQ(run("sqrt(16)").errorMessage(), QString());
    EXPECT_TRUE(clipboardHolds("4"));
    // A failed or unknown choice answers with an error and leaves the clipboard alone.
    EXPECT_EQ(activate("1/0").errorName(), "org.sumwise.Sumwise.Error");
    EXPECT_EQ(run("2+").errorName(), "org.sumwise.Sumwise.Error");
    EXPECT_EQ(run("2+2", "open").errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    // The provider ends; the result stays.
    ASSERT_TRUE(providerEnds());
    EXPECT_TRUE(clipboardHolds("4"));
}

} // namespace
