// Failure notifications against a stand-in notification server on a private session bus.
#include "tests/support/notificationserver.h"
#include "tests/support/sessionbus.h"

#include "service/notification.h"

using namespace service;

namespace {

class NotificationTest : public SessionBusTest {
protected:
    void SetUp() override {
        if (!startBus(environment()))
            GTEST_SKIP() << "no dbus-daemon or test bus configuration";
        server = connection("notification server");
        client = connection("notification client");
        ASSERT_TRUE(server.isConnected() && client.isConnected());
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus("notification client");
        QDBusConnection::disconnectFromBus("notification server");
        SessionBusTest::TearDown();
    }

    QDBusConnection server{QString()}, client{QString()};
};

TEST_F(NotificationTest, OneNotificationPerFailureWithItsTexts) {
    NotificationServer notifications(server);
    ASSERT_TRUE(notifications.registered());
    const QString longFormula = QString("1+\n").repeated(60);
    // A character outside the BMP where the cut falls must not be split into half a pair.
    const QString astral = QString(78, u'7') + QStringLiteral("\U0001D7D8+1");
    struct {
        QString formula, message, body;
    } const cases[] = {
        // The body may be read as markup: a formula is shown as typed.
        {"a<b & c>d", "Error: <b>x</b>", "a&lt;b &amp; c&gt;d\nError: &lt;b&gt;x&lt;/b&gt;"},
        // Long or multi-line selections: their start, on one line.
        {longFormula, "Error: Syntax error",
         QString("1+ ").repeated(26) + "1…\nError: Syntax error"},
        {astral, "Error: Syntax error", QString(78, u'7') + "…\nError: Syntax error"},
    };
    qsizetype sent = 0;
    for (const auto &c : cases) {
        EXPECT_TRUE(notifyFailure(client, c.formula, c.message)) << c.formula.toStdString();
        ASSERT_EQ(notifications.notifications().size(), ++sent) << c.formula.toStdString();
        const NotificationServer::Notification n = notifications.notifications().last();
        EXPECT_EQ(n.body, c.body);
        EXPECT_FALSE(n.summary.isEmpty());
    }
}

TEST_F(NotificationTest, FalseWithoutAnAnsweringServer) {
    // Nobody owns the name: the bus says so at once.
    EXPECT_FALSE(notifyFailure(client, QStringLiteral("1/0"), QStringLiteral("Error")));
    // A server that never answers is given up after a bounded wait.
    NotificationServer hung(server, false);
    ASSERT_TRUE(hung.registered());
    EXPECT_FALSE(notifyFailure(client, QStringLiteral("1/0"), QStringLiteral("Error")));
}

} // namespace
