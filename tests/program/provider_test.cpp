// The real program against the provider on a private session bus, started by D-Bus
// activation as the desktop starts it; panels are answered and logged through the environment.
#include "tests/support/sessionbus.h"

#include "styledtext/attributedstring.h"

#include <QDBusVirtualObject>
#include <QRandomGenerator>
#include <QSaveFile>

namespace {

class ProviderTest : public SessionBusTest {
protected:
    void SetUp() override {
        if (!startBus(environment()))
            GTEST_SKIP() << "no dbus-daemon or test bus configuration";
    }
    QString alertText(qsizetype i) const {
        return alerts().value(i).value("informativeText").toString();
    }
};

// Owns the provider's name and path but never answers.
class SilentProvider : public QDBusVirtualObject {
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override { return true; }
};

enum Route { ByProvider, ByCommand, PastASilentProvider };

// Every service, by a provider that runs, by the command itself, which starts none, and by the
// command when a provider holds the name but never answers; each in the command's locale.
TEST_F(ProviderTest, ServicesByEachRoute) {
    QByteArray random(10'000'000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    struct {
        const char *service;
        QByteArray in, out, err;
        QStringList locale = {}; // none: C.UTF-8
    } const cases[] = {
        {"substitute", "  1 000 000 \n\n", "1000000\n", ""},
        // Numbers and messages each follow their own variable, LC_ALL above both.
        {"substitute", "1/2", "0,5", "", {"LANG=C", "LC_ALL=de_DE.UTF-8", "LC_NUMERIC=C"}},
        {"substitute",
         "1/0",
         "1/0",
         "Error: Division durch null\n",
         {"LANG=de_DE.UTF-8", "LC_NUMERIC=C"}},
        // The previous request's locale is gone. A failure gives the selection back untouched.
        {"substitute", "1/0\n", "1/0\n", "Error: Division by zero\n"},
        {"substitute", "", "", "Error: Syntax error\n"},
        // NUL counts as white space, like every other blank.
        {"substitute",
         bytesOf("1+\0"
                 "2"),
         "3", ""},
        {"add", "2+3", "2+3 = 5", ""},
        // Hostile: 10 MB of random bytes, given back byte for byte.
        {"add", random, random, "Error: Syntax error\n"},
        {"show", "x=3", "x=3", ""},
    };
    QDBusConnection fake = connection("fake");
    SilentProvider silent;
    for (const Route route : {ByProvider, ByCommand, PastASilentProvider}) {
        SCOPED_TRACE(route);
        QFile::remove(alertLog());
        QProcessEnvironment env = environment();
        if (route == PastASilentProvider) {
            ASSERT_TRUE(providerEnds());
            ASSERT_TRUE(fake.registerVirtualObject("/org/sumwise/Sumwise", &silent));
            ASSERT_TRUE(fake.registerService(BusName));
            env = with(env, {"SUMWISE_BUS_TIMEOUT=1000"});
        }
        for (const auto &c : cases) {
            // Show waits for the user as long as the provider it reached takes.
            if (route == PastASilentProvider && c.service == std::string_view("show"))
                continue;
            SCOPED_TRACE(std::string(c.service) + " " + c.in.left(20).toStdString());
            // A provider ends after its panel was answered.
            ASSERT_TRUE(route != ByProvider || startProvider());
            ASSERT_TRUE(route != ByCommand || providerEnds());
            const Ran r =
                run({c.service}, c.in,
                    c.locale.isEmpty() ? env : with(env, QStringList{"LC_ALL", "LANG"} + c.locale));
            EXPECT_TRUE(r.out == c.out) << r.out.left(80).toStdString();
            // Qt may add warnings of its own on standard error; the message must be there whole,
            // and the plain filter has nothing else to say.
            EXPECT_EQ(r.err.count("Error:"), c.err.isEmpty() ? 0 : 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
            if (route != ByProvider && c.service == std::string_view("substitute")) {
                EXPECT_EQ(r.err, c.err);
            }
            EXPECT_EQ(r.status, c.err.isEmpty() ? 0 : 1);
            EXPECT_TRUE(route != ByCommand || providerPid() == 0) << "a provider was started";
        }
        // The show panel, and no launch panel from a provider that served.
        if (route != PastASilentProvider) {
            EXPECT_EQ(alerts().size(), 1);
            EXPECT_TRUE(alertText(0).endsWith(u"\t3"));
        }
    }
    fake.unregisterService(BusName);
    QDBusConnection::disconnectFromBus("fake");
}

TEST_F(ProviderTest, SeesWhatAnotherProcessStoredWhileItRuns) {
    ASSERT_TRUE(startProvider());
    EXPECT_EQ(run({"substitute"}, "x").status, 1);
    const quint32 provider = providerPid();
    ASSERT_NE(provider, 0u);
    // Another process replaces the file whole, as its store does.
    QSaveFile next(storeFile());
    ASSERT_TRUE(next.open(QIODevice::WriteOnly) && next.write("[General]\nX=1.25\n") > 0
                && next.commit());
    EXPECT_EQ(run({"substitute"}, "x*4").out, "5");
    EXPECT_EQ(providerPid(), provider);
}

TEST_F(ProviderTest, StartedByHandShowsTheLaunchPanel) {
    QProcess p;
    p.setProcessEnvironment(with(environment(), {"DBUS_SESSION_BUS_ADDRESS=" + address}));
    p.start(bin + "/sumwise", {});
    EXPECT_EQ(finish(p, {}, 15000).status, 0);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_NE(alertText(0), "SERVICE_LAUNCH") << "an untranslated key";
}

// What Add keeps of rich text is the service's test; a picture in the selection also survives
// the command: its answer is RTF that still embeds it.
TEST_F(ProviderTest, AddKeepsAPictureOfRichText) {
    const Ran withPicture = run(
        {"add"}, "{\\rtf1\\ansi 1+1 {\\pict\\pngblip\\picw1\\pich1 "
                 "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                 "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082}}");
    ASSERT_EQ(withPicture.status, 0) << withPicture.err.toStdString();
    const auto back = AttributedString::fromRTFD(withPicture.out);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->containsAttachments());
    EXPECT_TRUE(back->string().endsWith(" = 2"));
}

} // namespace
