// The real program against the provider on a private session bus, started by D-Bus
// activation as the desktop starts it; panels are answered and logged through the environment.
#include "tests/support/sessionbus.h"

#include "styledtext/attributedstring.h"

#include <QFileInfo>

#include <string_view>

namespace {

class ProviderTest : public SessionBusTest {
protected:
    void SetUp() override {
        if (!startBus(environment()))
            GTEST_SKIP() << "no dbus-daemon or test bus configuration";
    }
};

// A substitute request made straight on the bus, as a caller that sends no locale makes it.
Outcome oldCallerSubstitutes(const QString &address, const QByteArray &formula) {
    QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("old caller"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.sumwise.Sumwise"), QStringLiteral("/org/sumwise/Sumwise"),
        QStringLiteral("org.sumwise.Sumwise"), QStringLiteral("doCalcSubstituteService"));
    const QString type = QStringLiteral("text/plain;charset=utf-8");
    call << QVariantMap{{type, formula}} << QString();
    const QDBusMessage reply = c.call(call, QDBus::Block, 30000);
    QDBusConnection::disconnectFromBus(QStringLiteral("old caller"));
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {formula, reply.errorMessage().toUtf8() + '\n', 1};
    return {qdbus_cast<QVariantMap>(reply.arguments().value(0)).value(type).toByteArray(), {}, 0};
}

// Every service, by a provider that runs and by the command itself, which starts none.
TEST_F(ProviderTest, ServicesByTheProviderOrTheCommand) {
    struct {
        const char *service;
        QByteArray in, out, err;
        int status;
    } const cases[] = {
        {"substitute", "2*(3+4)^2\n", "98\n", "", 0},
        {"substitute", "1/0", "1/0", "Error: Division by zero\n", 1},
        {"add", "2+3", "2+3 = 5", "", 0},
        {"add", "2+", "2+", "Error: Syntax error\n", 1},
        {"copy", "2*", "2*", "Error: Syntax error\n", 1},
        {"show", "x=3", "x=3", "", 0},
        {"show", "1/0", "1/0", "", 0},
    };
    for (const bool byProvider : {true, false}) {
        SCOPED_TRACE(byProvider ? "by the provider" : "by the command");
        QFile::remove(alertLog());
        for (const auto &c : cases) {
            // A provider ends after its panel was answered.
            if (byProvider) {
                ASSERT_TRUE(startProvider());
            } else {
                ASSERT_TRUE(providerEnds());
            }
            const Outcome r = run({QString::fromLatin1(c.service)}, c.in);
            EXPECT_EQ(r.out, c.out) << c.service << " " << c.in.toStdString();
            // Qt may add warnings of its own on standard error; the message must be there whole.
            EXPECT_EQ(r.err.count("Error:"), c.err.isEmpty() ? 0 : 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
            EXPECT_EQ(r.status, c.status) << c.service << " " << c.in.toStdString();
            if (!byProvider) {
                EXPECT_EQ(providerPid(), 0u) << c.service << " started a provider";
            }
        }
        // The two show panels, and no launch panel from a provider that served.
        const QList<QJsonObject> shown = alerts();
        ASSERT_EQ(shown.size(), 2);
        EXPECT_EQ(shown[0].value(QStringLiteral("title")).toString(), QStringLiteral("Sumwise"));
        EXPECT_EQ(shown[0].value(QStringLiteral("informativeText")).toString(),
                  QStringLiteral("Formula:\n\tx=3\n\nResult:\n\t3"));
        EXPECT_EQ(shown[1].value(QStringLiteral("informativeText")).toString(),
                  QStringLiteral("Formula:\n\t1/0\n\nResult:\n\tDivision by zero"));
    }
}

// A plain filter serves itself rather than have the bus start a provider for it; one that
// runs already answers it, with the variables of its session.
TEST_F(ProviderTest, PlainFilterStartsNoProvider) {
    const Outcome r = run({QStringLiteral("substitute")}, "k=2*(3+4)^2\n");
    EXPECT_EQ(r.out, "98\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(run({QStringLiteral("add")}, "k/2").out, "k/2 = 49");
    EXPECT_EQ(providerPid(), 0u);
    EXPECT_TRUE(alerts().isEmpty());
}

// The libraries the dynamic loader opened for one run of the program, by file name.
QStringList loadedLibraries(const QString &logPrefix) {
    QStringList names;
    const QDir dir = QFileInfo(logPrefix).dir();
    for (const QString &log :
         dir.entryList({QFileInfo(logPrefix).fileName() + QStringLiteral(".*")})) {
        QFile file(dir.filePath(log));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            const qsizetype at = line.indexOf("file=");
            if (at >= 0)
                names.append(QString::fromUtf8(line.mid(at + 5, line.indexOf(' ', at) - at - 5)));
        }
    }
    return names;
}

TEST_F(ProviderTest, PlainTextReachesARunningProviderWithoutQtGui) {
    ASSERT_EQ(oldCallerSubstitutes(address, "g=6").out, "6");
    QProcessEnvironment e = environment();
    // Settings elsewhere: only the provider knows g.
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("commands")));
    const QString log = home.filePath(QStringLiteral("loader"));
    e.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    e.insert(QStringLiteral("LD_DEBUG_OUTPUT"), log);
    // Show last: the provider ends after its panel.
    for (const char *service : {"add", "show"}) {
        SCOPED_TRACE(service);
        const Outcome r = run({QString::fromLatin1(service)}, "g*7\n", e);
        EXPECT_EQ(r.out, service == std::string_view("add") ? "g*7 = 42\n" : "g*7\n");
        EXPECT_EQ(r.status, 0);
        const QStringList loaded = loadedLibraries(log);
        EXPECT_TRUE(loaded.contains(QStringLiteral("libQt6DBus.so.6")))
            << loaded.join(u' ').toStdString();
        for (const QString &name : loaded) {
            EXPECT_FALSE(name.startsWith(u"libQt6Gui") || name.startsWith(u"libQt6Widgets")
                         || name.startsWith(u"libxcb"))
                << name.toStdString();
        }
    }
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_TRUE(alerts()[0].value(QStringLiteral("informativeText")).toString().endsWith(u"\t42"));
}

TEST_F(ProviderTest, SeesWhatAnotherProcessStoredWhileItRuns) {
    EXPECT_EQ(oldCallerSubstitutes(address, "x").status, 1);
    const quint32 provider = providerPid();
    ASSERT_NE(provider, 0u);
    // Another process replaces the file whole, as its store does.
    const QString next = storeFile() + QStringLiteral(".next");
    {
        QFile file(next);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\nX=1.25\n");
    }
    ASSERT_TRUE(QFile::remove(storeFile()) && QFile::rename(next, storeFile()));
    EXPECT_EQ(run({QStringLiteral("substitute")}, "x*4").out, "5");
    EXPECT_EQ(providerPid(), provider);
}

TEST_F(ProviderTest, AnswersInTheLocaleOfEachCommand) {
    // The provider runs in the bus's C locale. The commands below keep their settings
    // elsewhere, so only the provider knows h: each answer came through it.
    ASSERT_EQ(oldCallerSubstitutes(address, "h=1/2").out, "0.5");
    const QStringList oldCaller{QStringLiteral("none: straight on the bus")};
    struct {
        QStringList settings;
        QByteArray in, out, err;
    } const cases[] = {
        {{"LANG=de_DE.UTF-8"}, "h", "0,5", ""},
        {{"LANG=de_DE.UTF-8"}, "h/0", "h/0", "Error: Division durch null\n"},
        // The previous request's locale is gone: the provider's own answers a caller that
        // sends none.
        {oldCaller, "h/0", "h/0", "Error: Division by zero\n"},
        {oldCaller, "h", "0.5", ""},
        {{"LANG=C"}, "h", "0.5", ""},
        // Numbers and messages each follow their own variable.
        {{"LANG=C", "LC_NUMERIC=de_DE.UTF-8"}, "h", "0,5", ""},
        {{"LANG=de_DE.UTF-8", "LC_NUMERIC=C"}, "h/0", "h/0", "Error: Division durch null\n"},
        {{"LANG=C", "LC_ALL=de_DE.UTF-8", "LC_NUMERIC=C"}, "h", "0,5", ""},
    };
    for (const auto &c : cases) {
        QProcessEnvironment e = environment();
        for (const QString &name : e.keys()) {
            if (name.startsWith(u"LC_") || name == u"LANG")
                e.remove(name);
        }
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("commands")));
        for (const QString &kv : c.settings)
            e.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
        const Outcome r = c.settings == oldCaller ? oldCallerSubstitutes(address, c.in)
                                                  : run({QStringLiteral("substitute")}, c.in, e);
        const std::string row = c.settings.join(u' ').toStdString() + " " + c.in.toStdString();
        EXPECT_EQ(r.out, c.out) << row;
        EXPECT_EQ(r.err.count("Error:"), c.err.isEmpty() ? 0 : 1) << row << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << row << r.err.toStdString();
    }
}

// Activated in a session whose display cannot be reached, the provider still serves.
class ProviderWithoutDisplayTest : public SessionBusTest {};

TEST_F(ProviderWithoutDisplayTest, ServesWithoutAReachableDisplay) {
    QProcessEnvironment e = environment();
    e.remove(QStringLiteral("QT_QPA_PLATFORM"));
    e.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("sumwise-test-no-compositor"));
    if (!startBus(e))
        GTEST_SKIP() << "no dbus-daemon or test bus configuration";
    ASSERT_TRUE(startProvider());
    const Outcome r =
        run({QStringLiteral("add"), QStringLiteral("--type=text/plain")}, "2*(3+4)^2");
    EXPECT_EQ(r.out, "2*(3+4)^2 = 98");
    EXPECT_EQ(r.status, 0);
}

TEST_F(ProviderTest, StartedByHandShowsTheLaunchPanel) {
    QProcess p;
    QProcessEnvironment e = environment();
    e.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    p.setProcessEnvironment(e);
    p.start(bin + QStringLiteral("/sumwise"), {});
    ASSERT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(p.exitCode(), 0);
    const QList<QJsonObject> shown = alerts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].value(QStringLiteral("title")).toString(), QStringLiteral("Sumwise"));
    EXPECT_NE(shown[0].value(QStringLiteral("informativeText")).toString(),
              QStringLiteral("SERVICE_LAUNCH"));
}

TEST_F(ProviderTest, AddKeepsRichTextFormatting) {
    const Outcome r =
        run({QStringLiteral("add")}, "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0\\b 2+3}");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const auto styled = AttributedString::fromRTF(r.out);
    ASSERT_TRUE(styled.has_value()) << r.out.toStdString();
    EXPECT_EQ(styled->string(), QStringLiteral("2+3 = 5"));
    EXPECT_TRUE(styled->attributesAtIndex(styled->length() - 1).bold);

    // A picture in the selection survives: the answer is RTF that still embeds it.
    const Outcome withPicture =
        run({QStringLiteral("add")},
            "{\\rtf1\\ansi 1+1 {\\pict\\pngblip\\picw1\\pich1 "
            "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
            "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082}}");
    ASSERT_EQ(withPicture.status, 0) << withPicture.err.toStdString();
    const auto back = AttributedString::fromRTFD(withPicture.out);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->containsAttachments());
    EXPECT_TRUE(back->string().endsWith(QStringLiteral(" = 2")));
}

} // namespace
