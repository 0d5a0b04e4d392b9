#include "clipboardholder.h"

#include "platform/detachedprocess.h"
#include "platform/fdio.h"

#include "pasteboard.h"
#include "waylanddesktop.h"
#include "x11selectionowner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSysInfo>
#include <QtEndian>

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr char ReadyWord[] = "ready";
constexpr char HolderOption[] = "--hold-clipboard";
// The holder is ready in milliseconds; the margin is for loaded machines and sanitizer builds.
constexpr int HolderStartTimeoutMs = 15000;
// Programs fetch several forms of one paste in a row: the paste is over after this silence.
constexpr qint64 QuietAfterPasteMs = 250;
// A clipboard manager that has not saved the contents by then is not waited for.
constexpr qint64 SaveTimeoutMs = 5000;
constexpr char RequestMagic[] = "SWH2";

// A holder started ahead of its request (adoptClipboardHolder), waiting on this channel.
int spareHolder = -1;

bool sendAll(int fd, const QByteArray &data) {
    qsizetype done = 0;
    while (done < data.size()) {
        // MSG_NOSIGNAL: a holder that died early must not kill the writer with SIGPIPE.
        const ssize_t n =
            send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The holder's answer, complete once it has let go of the channel (its standard streams now
// lead to /dev/null); empty when it stayed silent.
QByteArray readAnswer(int fd, QDeadlineTimer deadline) {
    QByteArray answer;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        char buffer[64];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {};
        if (n == 0)
            return answer;
        answer.append(buffer, n);
    }
}

void redirectToNull(int fd) {
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, fd);
        close(null);
    }
}

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QByteArray latin1WithReplacement(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        bytes.append(c <= 0xff ? char(c) : '?');
    return bytes;
}

QByteArray htmlOf(QStringView text) {
    QString html = text.toString().toHtmlEscaped();
    html.replace(u'\n', QStringLiteral("<br>"));
    return "<meta charset=\"utf-8\">" + html.toUtf8();
}

// Length-prefixed, little-endian: magic, selection, session, restore, time-out, then the two
// lists.
void putNumber(QByteArray &out, quint32 n) {
    const quint32 le = qToLittleEndian(n);
    out.append(reinterpret_cast<const char *>(&le), sizeof le);
}

void putFlavours(QByteArray &out, const Flavours &flavours) {
    putNumber(out, quint32(flavours.size()));
    for (const Flavour &f : flavours) {
        putNumber(out, quint32(f.target.size()));
        out.append(f.target);
        putNumber(out, quint32(f.data.size()));
        out.append(f.data);
    }
}

class Reader {
public:
    explicit Reader(const QByteArray &bytes)
        : m_bytes(bytes) {}
    bool number(quint32 *n) {
        if (m_bytes.size() - m_at < qsizetype(sizeof *n))
            return false;
        *n = qFromLittleEndian<quint32>(m_bytes.constData() + m_at);
        m_at += sizeof *n;
        return true;
    }
    bool bytes(QByteArray *out) {
        quint32 size;
        if (!number(&size) || m_bytes.size() - m_at < qsizetype(size))
            return false;
        *out = m_bytes.mid(m_at, size);
        m_at += size;
        return true;
    }
    bool flavours(Flavours *out) {
        quint32 count;
        if (!number(&count))
            return false;
        // Each flavour takes eight bytes at least: a count beyond that is a lie.
        if (count > quint32((m_bytes.size() - m_at) / 8))
            return false;
        for (quint32 i = 0; i < count; ++i) {
            Flavour f;
            if (!bytes(&f.target) || !bytes(&f.data) || !validTarget(f.target))
                return false;
            if (f.data.isNull())
                f.data = QByteArray("");
            out->append(f);
        }
        return true;
    }
    bool atEnd() const { return m_at == m_bytes.size(); }
    qsizetype m_at = 0;

private:
    static bool validTarget(const QByteArray &target) {
        // Atom names travel with a 16-bit length; the holder answers these names itself.
        static const QByteArray own[] = {"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS",
                                         "INCR"};
        return !target.isEmpty() && target.size() <= 0xffff
               && std::find(std::begin(own), std::end(own), target) == std::end(own);
    }
    const QByteArray &m_bytes;
};

// Serves the request until the selection is no longer ours; the exit status.
template<typename Owner> int serve(Owner &owner, const HoldRequest &request) {
    const qint64 started = nowMs();
    bool restorePending = request.restore;
    qint64 saveAskedMs = 0;
    auto askToSave = [&] {
        owner.requestSave();
        saveAskedMs = nowMs();
    };
    if (!restorePending)
        askToSave();
    while (owner.owning()) {
        if (!owner.processEvents(restorePending ? 50 : 1000))
            return 0;
        if (restorePending && owner.owning()) {
            const qint64 now = nowMs();
            const bool pasted = owner.served() > 0 && owner.transfersUnderWay() == 0
                                && now - owner.lastRequestMs() >= QuietAfterPasteMs;
            if (pasted || now - started >= request.restoreTimeoutMs) {
                restorePending = false;
                if (request.previous.isEmpty()) {
                    owner.disown();
                    break;
                }
                if (!owner.own(request.previous))
                    break;
                askToSave();
            }
        }
        // The manager takes the selection over once we are gone.
        if (owner.saveState() == ManagerSave::Saved)
            break;
        if (owner.saveState() == ManagerSave::Pending && nowMs() - saveAskedMs > SaveTimeoutMs)
            owner.requestSave();
    }
    // Transfers under way carry their own data: let them end before we go.
    while (owner.transfersUnderWay() > 0 && owner.processEvents(500)) {
    }
    return 0;
}

} // namespace

Flavours textFlavours(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
        for (qsizetype i = 0; i + 1 < utf16.size(); i += 2)
            std::swap(utf16[i], utf16[i + 1]);
    }
    return {
        {"UTF8_STRING", utf8},
        {"text/plain;charset=utf-8", utf8},
        {"text/plain", utf8},
        {"TEXT", utf8},
        {"STRING", latin1WithReplacement(text)},
        // LibreOffice asks for this one by name when offered (host order, no byte order mark).
        {"text/plain;charset=utf-16", utf16},
        // LibreOffice's X11 back end reuses the previous owner's target list for about two
        // seconds and asks for its HTML; it takes this form over the plain ones when offered.
        {"text/html", htmlOf(text)},
    };
}

Flavours richTextFlavours(const QByteArray &rtf, QStringView plain) {
    Flavours flavours{{"text/rtf", rtf}, {"application/rtf", rtf}};
    flavours.append(textFlavours(plain));
    return flavours;
}

QByteArray encodeHoldRequest(const HoldRequest &request) {
    QByteArray out(RequestMagic);
    out.append(char(request.selection == ClipboardSelection::Primary ? 1 : 0));
    out.append(char(request.session == DisplaySession::Wayland ? 1 : 0));
    out.append(char(request.restore ? 1 : 0));
    putNumber(out, quint32(std::max(0, request.restoreTimeoutMs)));
    putFlavours(out, request.flavours);
    putFlavours(out, request.previous);
    return out;
}

std::optional<HoldRequest> decodeHoldRequest(const QByteArray &bytes) {
    const qsizetype magic = qsizetype(std::strlen(RequestMagic));
    if (!bytes.startsWith(RequestMagic) || bytes.size() < magic + 3)
        return std::nullopt;
    const char selection = bytes[magic], session = bytes[magic + 1], restore = bytes[magic + 2];
    auto isFlag = [](char c) { return c == 0 || c == 1; };
    if (!isFlag(selection) || !isFlag(session) || !isFlag(restore))
        return std::nullopt;
    HoldRequest request;
    request.selection = selection ? ClipboardSelection::Primary : ClipboardSelection::Clipboard;
    request.session = session ? DisplaySession::Wayland : DisplaySession::X11;
    request.restore = restore;
    Reader in(bytes);
    in.m_at = magic + 3;
    quint32 timeout;
    if (!in.number(&timeout) || timeout > quint32(INT_MAX) || !in.flavours(&request.flavours)
        || !in.flavours(&request.previous) || !in.atEnd() || request.flavours.isEmpty()
        || (!request.restore && !request.previous.isEmpty()))
        return std::nullopt;
    request.restoreTimeoutMs = int(timeout);
    return request;
}

bool x11DisplayAvailable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

void prepareClipboardHolder() {
    if (spareHolder < 0)
        spareHolder = platform::startDetached(HolderOption);
}

void adoptClipboardHolder(int channel) {
    if (spareHolder >= 0)
        close(spareHolder);
    spareHolder = channel;
}

bool holdClipboard(const HoldRequest &request, qint64 *holderPid) {
    if (holderPid)
        *holderPid = 0;
    // The holder finds out about an unreachable server by itself, as quickly.
    const char *display =
        request.session == DisplaySession::Wayland ? "WAYLAND_DISPLAY" : "DISPLAY";
    if (qEnvironmentVariableIsEmpty(display) || request.flavours.isEmpty())
        return false;
    // One socket carries the request to the holder and its "ready" line back. A holder
    // started ahead is tried first; one that failed meanwhile is replaced.
    for (int spare = std::exchange(spareHolder, -1);; spare = -1) {
        const int channel = spare >= 0 ? spare : platform::startDetached(HolderOption);
        if (channel < 0)
            return false;
        QByteArray answer;
        if (sendAll(channel, encodeHoldRequest(request)) && shutdown(channel, SHUT_WR) == 0)
            answer = readAnswer(channel, QDeadlineTimer(HolderStartTimeoutMs));
        close(channel);
        const QList<QByteArray> words = answer.trimmed().split(' ');
        if (words.size() == 2 && words[0] == ReadyWord) {
            if (holderPid)
                *holderPid = words[1].toLongLong();
            return true;
        }
        if (spare < 0)
            return false;
    }
}

int clipboardHolderMain(int argc, char *argv[]) {
    if (argc != 2 || std::strcmp(argv[1], HolderOption) != 0) {
        std::fputs("usage: sumwise --hold-clipboard < REQUEST\n", stderr);
        return 2;
    }
    const std::optional<HoldRequest> request = decodeHoldRequest(platform::readAll(STDIN_FILENO));
    redirectToNull(STDIN_FILENO);
    if (!request) {
        std::fputs("sumwise: malformed clipboard hold request\n", stderr);
        return 2;
    }
    auto run = [&](auto &owner) {
        if (!owner.own(request->flavours))
            return 1;
        const QByteArray ready =
            QByteArray(ReadyWord) + ' ' + QByteArray::number(qint64(getpid())) + '\n';
        platform::writeAll(STDOUT_FILENO, ready);
        redirectToNull(STDOUT_FILENO);
        return serve(owner, *request);
    };
    if (request->session == DisplaySession::Wayland) {
        WaylandSelectionOwner owner(request->selection);
        return run(owner);
    }
    X11SelectionOwner owner(request->selection);
    return run(owner);
}
