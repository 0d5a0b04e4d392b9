#include "busprobe.h"

#include <QDeadlineTimer>
#include <QList>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int TimeoutMs = 1000;

// The socket of one D-Bus address entry; isUnix false for other transports.
struct SocketAddress {
    QByteArray path;
    bool abstract = false;
    bool isUnix = false;
};

QByteArray unescape(const QByteArray &value) {
    return QByteArray::fromPercentEncoding(value);
}

SocketAddress parseEntry(const QByteArray &entry) {
    SocketAddress address;
    const qsizetype colon = entry.indexOf(':');
    if (colon < 0 || entry.left(colon) != "unix")
        return address;
    for (const QByteArray &pair : entry.mid(colon + 1).split(',')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = pair.left(equals), value = unescape(pair.mid(equals + 1));
        if (key == "path" || key == "abstract") {
            address.isUnix = true;
            address.path = value;
            address.abstract = key == "abstract";
        }
    }
    return address;
}

bool waitFor(int fd, short events, const QDeadlineTimer &deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && (p.revents & events);
    }
}

bool sendAll(int fd, const QByteArray &data, const QDeadlineTimer &deadline) {
    qsizetype done = 0;
    while (done < data.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n =
            ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Appends bytes read from fd; false at end of file, on an error or at the deadline.
bool receive(int fd, QByteArray *buffer, const QDeadlineTimer &deadline) {
    if (!waitFor(fd, POLLIN, deadline))
        return false;
    char chunk[4096];
    ssize_t n;
    do
        n = ::recv(fd, chunk, sizeof chunk, 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return false;
    buffer->append(chunk, n);
    return true;
}

// Method calls to the bus itself, marshalled little-endian.
class Message {
public:
    void align(int n) {
        while (m_bytes.size() % n)
            m_bytes.append('\0');
    }
    void uint32(quint32 v) {
        align(4);
        char b[4];
        qToLittleEndian(v, b);
        m_bytes.append(b, 4);
    }
    void string(const QByteArray &s) {
        uint32(quint32(s.size()));
        m_bytes.append(s).append('\0');
    }
    void signature(const QByteArray &s) { m_bytes.append(char(s.size())).append(s).append('\0'); }
    void field(char code, char type, const QByteArray &value) {
        align(8);
        m_bytes.append(code);
        signature(QByteArray(1, type));
        if (type == 'g')
            signature(value);
        else
            string(value);
    }
    QByteArray m_bytes;
};

QByteArray busCall(quint32 serial, const char *member, const QByteArray &argument) {
    QByteArray body;
    if (!argument.isNull()) {
        Message b;
        b.string(argument);
        body = b.m_bytes;
    }
    Message m;
    m.m_bytes.append("l\1\0\1", 4); // little-endian method call, no flags, version 1
    m.uint32(quint32(body.size()));
    m.uint32(serial);
    Message fields;
    fields.field(1, 'o', "/org/freedesktop/DBus");
    fields.field(6, 's', "org.freedesktop.DBus");
    fields.field(2, 's', "org.freedesktop.DBus");
    fields.field(3, 's', member);
    if (!body.isEmpty())
        fields.field(8, 'g', "s");
    m.uint32(quint32(fields.m_bytes.size()));
    // The fields array starts 8-aligned, right after its length at offset 12.
    m.align(8);
    m.m_bytes.append(fields.m_bytes);
    m.align(8);
    return m.m_bytes + body;
}

// One whole message from the front of buffer: its type, reply serial and body; false while
// incomplete. *bad is set for a message that makes no sense.
struct Reply {
    int type = 0;
    quint32 replySerial = 0;
    QByteArray body;
    bool bigEndian = false;
};

quint32 readUint32(const char *p, bool bigEndian) {
    return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
}

bool takeMessage(QByteArray *buffer, Reply *reply, bool *bad) {
    if (buffer->size() < 16)
        return false;
    const char *p = buffer->constData();
    const bool big = p[0] == 'B';
    if ((p[0] != 'l' && !big) || p[3] != 1) {
        *bad = true;
        return false;
    }
    const quint32 bodyLength = readUint32(p + 4, big);
    const quint32 fieldsLength = readUint32(p + 12, big);
    if (bodyLength > (1u << 27) || fieldsLength > (1u << 26)) {
        *bad = true;
        return false;
    }
    const qsizetype fieldsEnd = 16 + qsizetype(fieldsLength);
    const qsizetype headerEnd = (fieldsEnd + 7) / 8 * 8;
    const qsizetype total = headerEnd + qsizetype(bodyLength);
    if (buffer->size() < total)
        return false;
    reply->type = p[1];
    reply->bigEndian = big;
    reply->replySerial = 0;
    // Header fields: (code, variant) structs, each 8-aligned.
    qsizetype at = 16;
    while (at < fieldsEnd) {
        at = (at + 7) / 8 * 8;
        if (at + 3 > fieldsEnd)
            break;
        const char code = p[at];
        const int sigLength = quint8(p[at + 1]);
        if (at + 2 + sigLength + 1 > fieldsEnd) {
            *bad = true;
            return false;
        }
        const QByteArray sig(p + at + 2, sigLength);
        at += 2 + sigLength + 1;
        if (sig == "u" || sig == "s" || sig == "o") {
            at = (at + 3) / 4 * 4;
            if (at + 4 > fieldsEnd) {
                *bad = true;
                return false;
            }
            const quint32 value = readUint32(p + at, big);
            if (code == 5 && sig == "u")
                reply->replySerial = value;
            at += 4 + (sig == "u" ? 0 : qsizetype(value) + 1);
        } else if (sig == "g") {
            at += quint8(p[at]) + 2;
        } else {
            *bad = true;
            return false;
        }
    }
    reply->body = buffer->mid(headerEnd, bodyLength);
    buffer->remove(0, total);
    return true;
}

int connectTo(const SocketAddress &address) {
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    const qsizetype offset = address.abstract ? 1 : 0;
    if (address.path.isEmpty() || address.path.size() + offset >= qsizetype(sizeof sa.sun_path))
        return -1;
    std::memcpy(sa.sun_path + offset, address.path.constData(), size_t(address.path.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset
                                       + address.path.size() + (offset ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&sa), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

ProviderState ask(int fd, const char *name) {
    const QDeadlineTimer deadline(TimeoutMs);
    // EXTERNAL authentication names our uid in hex-encoded decimal.
    const QByteArray auth =
        QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n";
    if (!sendAll(fd, auth, deadline))
        return ProviderState::Unknown;
    QByteArray in;
    while (!in.contains("\r\n")) {
        if (!receive(fd, &in, deadline))
            return ProviderState::Unknown;
    }
    if (!in.startsWith("OK "))
        return ProviderState::Unknown;
    in.remove(0, in.indexOf("\r\n") + 2);
    // The bus wants Hello before anything else; both calls go out at once.
    const QByteArray calls = "BEGIN\r\n" + busCall(1, "Hello", QByteArray())
                             + busCall(2, "NameHasOwner", QByteArray(name));
    if (!sendAll(fd, calls, deadline))
        return ProviderState::Unknown;
    for (;;) {
        Reply reply;
        bool bad = false;
        while (!takeMessage(&in, &reply, &bad)) {
            if (bad || !receive(fd, &in, deadline))
                return ProviderState::Unknown;
        }
        if (reply.replySerial != 2 || (reply.type != 2 && reply.type != 3))
            continue;
        if (reply.type != 2 || reply.body.size() < 4)
            return ProviderState::Unknown;
        return readUint32(reply.body.constData(), reply.bigEndian) ? ProviderState::Running
                                                                   : ProviderState::NotRunning;
    }
}

} // namespace

ProviderState busProvider(const QByteArray &address, const char *name) {
    for (const QByteArray &entry : address.split(';')) {
        if (entry.isEmpty())
            continue;
        // The library's way of saying that there is no bus.
        if (entry.startsWith("disabled:"))
            return ProviderState::NoBus;
        const SocketAddress socket = parseEntry(entry);
        if (!socket.isUnix)
            return ProviderState::Unknown;
        const int fd = connectTo(socket);
        if (fd < 0)
            continue;
        const ProviderState state = ask(fd, name);
        ::close(fd);
        return state;
    }
    return ProviderState::NoBus;
}

ProviderState busProvider(const char *name) {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return busProvider(address, name);
    // Without an address, the library looks for the user's bus in the runtime folder, then
    // may launch one for an X display.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (!runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &info) == 0
        && S_ISSOCK(info.st_mode))
        return busProvider("unix:path=" + runtime + "/bus", name);
    return qEnvironmentVariableIsEmpty("DISPLAY") ? ProviderState::NoBus : ProviderState::Unknown;
}
