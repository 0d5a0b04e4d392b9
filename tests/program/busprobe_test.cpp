// The provider probe against a private session bus and against sockets that are no bus.
#include "program/busprobe.h"

#include "tests/support/sessionbus.h"

#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class BusProbeTest : public SessionBusTest {};

TEST_F(BusProbeTest, AnswersForTheAddressesItCanSpeakToOrFinds) {
    if (!startBus(environment()))
        GTEST_SKIP() << "no dbus-daemon or test bus configuration";
    const QByteArray bus = address.toUtf8();
    // The value escaped as a D-Bus address may escape any byte.
    QByteArray escaped = bus;
    escaped.replace("dbus-", "dbus%2d");
    struct {
        QByteArray address;
        ProviderState state;
    } const rows[] = {
        {escaped, ProviderState::NotRunning},
        {"unix:path=/nonexistent;" + bus, ProviderState::NotRunning},
        {"unix:path=/nonexistent", ProviderState::NoBus},
        {"tcp:host=localhost,port=1", ProviderState::Unknown},
    };
    for (const auto &r : rows)
        EXPECT_EQ(busProvider(r.address, ProviderName), r.state) << r.address.toStdString();

    QDBusConnection owner = connection("owner");
    ASSERT_TRUE(owner.registerService(QString::fromLatin1(ProviderName)));
    EXPECT_EQ(busProvider(bus, ProviderName), ProviderState::Running);
    QDBusConnection::disconnectFromBus("owner");

    // Without an address it looks where the library looks.
    Environment env;
    env.set("DBUS_SESSION_BUS_ADDRESS");
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    env.set("DISPLAY");
    EXPECT_EQ(busProvider(ProviderName), ProviderState::NoBus);
    // The library would try to launch a bus for the display: not ours to say.
    env.set("DISPLAY", ":99");
    EXPECT_EQ(busProvider(ProviderName), ProviderState::Unknown);
}

TEST_F(BusProbeTest, SilentOrStrangeSocketsAreUnknownWithinTheDeadline) {
    const QByteArray path = QFile::encodeName(home.filePath(QStringLiteral("impostor")));
    const QByteArray rows[] = {
        {}, // silence: the probe gives up at its deadline
        // A well-formed header that announces more than a bus may send.
        QByteArray("OK 0123456789abcdef0123456789abcdef\r\nl\2\0\1\xff\xff\xff\x7f\1\0\0\0\0\0\0\0",
                   53),
    };
    // A socket that accepts and then says nothing, or says something no bus says; the
    // connection stays open until the probe gave up.
    sockaddr_un sa{AF_UNIX, {}};
    std::memcpy(sa.sun_path, path.constData(), size_t(path.size()));
    for (const QByteArray &answer : rows) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
        ::listen(fd, 4);
        int client = -1;
        std::thread server([&] {
            client = ::accept(fd, nullptr, nullptr);
            [[maybe_unused]] const ssize_t n =
                ::write(client, answer.constData(), size_t(answer.size()));
        });
        EXPECT_EQ(busProvider("unix:path=" + path, ProviderName), ProviderState::Unknown)
            << answer.toStdString();
        server.join();
        ::close(client);
        ::close(fd);
        ::unlink(path.constData());
    }
}

} // namespace
