#include "waylanddesktop.h"

#include "waylandconnect.h"

#include "kwinwindows.h"
#include "waylandkeyboard.h"
#include "waylandwindows.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>

#include <wayland-client.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// An owner that does not deliver within this time is treated as offering nothing.
constexpr int ReceiveTimeoutMs = 3000;
// A reader that takes nothing for this long has gone away without closing its end.
constexpr qint64 StalledTransferMs = 5000;

// Set once the routine has sent its paste chord (SIGUSR1 from WaylandDesktop::sendChord).
volatile sig_atomic_t pasteChordSent = 0;

void notePasteChord(int) {
    pasteChordSent = 1;
}

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int slot(ClipboardSelection selection) {
    return selection == ClipboardSelection::Primary ? 1 : 0;
}

} // namespace

// One connection with the seat's data-control device: the offers of both selections as they
// change, and, for a holder, the source it serves.
struct WaylandConnection {
    struct Transfer {
        int fd;
        QByteArray data;
        qsizetype sent;
        qint64 lastActivityMs;
        bool paste; // requested after the paste chord
    };

    wl_display *display = nullptr;
    wl_seat *seat = nullptr;
    zwlr_data_control_manager_v1 *manager = nullptr;
    uint32_t managerVersion = 0;
    zwlr_data_control_device_v1 *device = nullptr;
    bool finished = false;

    QHash<zwlr_data_control_offer_v1 *, QStringList> introduced;
    zwlr_data_control_offer_v1 *offers[2] = {nullptr, nullptr};
    QStringList offered[2];
    int changes[2] = {0, 0};

    ClipboardSelection which = ClipboardSelection::Clipboard;
    zwlr_data_control_source_v1 *source = nullptr;
    Flavours flavours;
    QList<Transfer> transfers;
    int served = 0;
    qint64 lastRequestMs = 0;

    ~WaylandConnection() {
        for (const Transfer &t : transfers)
            close(t.fd);
        for (zwlr_data_control_offer_v1 *offer : introduced.keys())
            zwlr_data_control_offer_v1_destroy(offer);
        for (zwlr_data_control_offer_v1 *offer : offers) {
            if (offer)
                zwlr_data_control_offer_v1_destroy(offer);
        }
        if (source)
            zwlr_data_control_source_v1_destroy(source);
        if (device)
            zwlr_data_control_device_v1_destroy(device);
        if (manager)
            zwlr_data_control_manager_v1_destroy(manager);
        if (seat)
            wl_seat_destroy(seat);
        if (display) {
            wl_display_roundtrip(display);
            wl_display_disconnect(display);
        }
    }

    // Connects and learns both selections; null with *missing on failure.
    static std::unique_ptr<WaylandConnection> open(QString *missing) {
        auto fail = [&](const QString &why) {
            if (missing)
                *missing = why;
            return nullptr;
        };
        auto c = std::make_unique<WaylandConnection>();
        c->display = connectToCompositor(missing);
        if (!c->display)
            return nullptr;
        wl_registry *registry = wl_display_get_registry(c->display);
        static const wl_registry_listener registryListener = {global, globalRemove};
        wl_registry_add_listener(registry, &registryListener, c.get());
        const bool announced = wl_display_roundtrip(c->display) >= 0;
        wl_registry_destroy(registry);
        if (!announced)
            return fail(QStringLiteral("the Wayland compositor closed the connection"));
        if (!c->seat)
            return fail(QStringLiteral("the Wayland compositor offers no seat"));
        if (!c->manager) {
            // GNOME's Shell offers no way in from outside; its extension works inside.
            const bool gnome = qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(u"GNOME");
            return fail(gnome ? QStringLiteral("GNOME lets no program read the selection of "
                                               "Wayland windows; enable the Sumwise GNOME Shell "
                                               "extension (gnome-extensions enable "
                                               "sumwise@sumwise.org)")
                              : QStringLiteral("the Wayland compositor does not let programs "
                                               "read the selection (no data-control protocol)"));
        }
        c->device = zwlr_data_control_manager_v1_get_data_device(c->manager, c->seat);
        static const zwlr_data_control_device_v1_listener deviceListener = {
            dataOffer, selection, deviceFinished, primarySelection};
        zwlr_data_control_device_v1_add_listener(c->device, &deviceListener, c.get());
        // The current selections arrive right after the device is made.
        if (wl_display_roundtrip(c->display) < 0 || c->finished)
            return fail(QStringLiteral("the Wayland compositor closed the connection"));
        return c;
    }

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t version) {
        auto *c = static_cast<WaylandConnection *>(data);
        if (!c->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
            c->seat =
                static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (!c->manager
                   && std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
            c->managerVersion = std::min(version, 2u);
            c->manager = static_cast<zwlr_data_control_manager_v1 *>(wl_registry_bind(
                registry, name, &zwlr_data_control_manager_v1_interface, c->managerVersion));
        }
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}

    static void offerType(void *data, zwlr_data_control_offer_v1 *offer, const char *type) {
        auto *c = static_cast<WaylandConnection *>(data);
        auto it = c->introduced.find(offer);
        if (it != c->introduced.end())
            it->append(QString::fromUtf8(type));
    }
    static void dataOffer(void *data, zwlr_data_control_device_v1 *,
                          zwlr_data_control_offer_v1 *offer) {
        auto *c = static_cast<WaylandConnection *>(data);
        static const zwlr_data_control_offer_v1_listener offerListener = {offerType};
        zwlr_data_control_offer_v1_add_listener(offer, &offerListener, c);
        c->introduced.insert(offer, {});
    }
    void replace(int which, zwlr_data_control_offer_v1 *offer) {
        if (offers[which] && offers[which] != offer)
            zwlr_data_control_offer_v1_destroy(offers[which]);
        offers[which] = offer;
        offered[which] = offer ? introduced.take(offer) : QStringList();
        ++changes[which];
    }
    static void selection(void *data, zwlr_data_control_device_v1 *,
                          zwlr_data_control_offer_v1 *offer) {
        static_cast<WaylandConnection *>(data)->replace(0, offer);
    }
    static void primarySelection(void *data, zwlr_data_control_device_v1 *,
                                 zwlr_data_control_offer_v1 *offer) {
        static_cast<WaylandConnection *>(data)->replace(1, offer);
    }
    static void deviceFinished(void *data, zwlr_data_control_device_v1 *) {
        static_cast<WaylandConnection *>(data)->finished = true;
    }

    static void send(void *data, zwlr_data_control_source_v1 *source, const char *type, int fd) {
        auto *c = static_cast<WaylandConnection *>(data);
        c->lastRequestMs = nowMs();
        const QByteArray target(type);
        for (const Flavour &f : std::as_const(c->flavours)) {
            if (source == c->source && f.target == target) {
                fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
                c->transfers.append({fd, f.data, 0, c->lastRequestMs, pasteChordSent != 0});
                return;
            }
        }
        close(fd);
    }
    static void cancelled(void *data, zwlr_data_control_source_v1 *source) {
        auto *c = static_cast<WaylandConnection *>(data);
        zwlr_data_control_source_v1_destroy(source);
        if (source == c->source)
            c->source = nullptr;
    }

    void setSelection(ClipboardSelection selection, zwlr_data_control_source_v1 *s) {
        if (selection == ClipboardSelection::Primary)
            zwlr_data_control_device_v1_set_primary_selection(device, s);
        else
            zwlr_data_control_device_v1_set_selection(device, s);
    }

    // Handles the events that arrive within timeoutMs while writing pending transfers; false
    // once the connection is broken.
    bool dispatch(int timeoutMs) {
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            return false;
        }
        QList<pollfd> fds{{wl_display_get_fd(display), POLLIN, 0}};
        for (const Transfer &t : std::as_const(transfers))
            fds.append({t.fd, POLLOUT, 0});
        const int ready = poll(fds.data(), nfds_t(fds.size()), timeoutMs);
        if (ready <= 0) {
            wl_display_cancel_read(display);
            expireTransfers();
            return ready == 0 || errno == EINTR;
        }
        for (qsizetype i = fds.size() - 1; i >= 1; --i) {
            if (fds[i].revents)
                write(i - 1);
        }
        expireTransfers();
        if (!(fds[0].revents & POLLIN)) {
            wl_display_cancel_read(display);
            return !(fds[0].revents & (POLLERR | POLLHUP));
        }
        return wl_display_read_events(display) >= 0 && wl_display_dispatch_pending(display) >= 0;
    }

    void write(qsizetype index) {
        Transfer &t = transfers[index];
        const ssize_t n =
            ::write(t.fd, t.data.constData() + t.sent, size_t(t.data.size() - t.sent));
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n > 0) {
            t.sent += n;
            t.lastActivityMs = nowMs();
        }
        if (n < 0 || t.sent == t.data.size()) {
            if (n >= 0 && t.paste)
                ++served;
            close(t.fd);
            transfers.removeAt(index);
        }
    }

    void expireTransfers() {
        const qint64 now = nowMs();
        for (qsizetype i = transfers.size() - 1; i >= 0; --i) {
            if (now - transfers[i].lastActivityMs > StalledTransferMs) {
                close(transfers[i].fd);
                transfers.removeAt(i);
            }
        }
    }
};

WaylandDesktop::WaylandDesktop(std::unique_ptr<WaylandConnection> connection,
                               std::unique_ptr<WaylandKeyboard> keyboard)
    : d(std::move(connection))
    , m_keyboard(std::move(keyboard)) {
}

WaylandDesktop::~WaylandDesktop() = default;

std::unique_ptr<WaylandDesktop> WaylandDesktop::open(QString *missing) {
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::open(missing);
    if (!connection)
        return nullptr;
    QString keyboardMissing;
    std::unique_ptr<WaylandKeyboard> keyboard = WaylandKeyboard::open(&keyboardMissing);
    std::unique_ptr<WaylandDesktop> desktop(
        new WaylandDesktop(std::move(connection), std::move(keyboard)));
    desktop->m_keyboardMissing = keyboardMissing;
    return desktop;
}

bool WaylandDesktop::waitForModifiersReleased(QDeadlineTimer) {
    return !m_keyboard || m_keyboard->releaseModifiers();
}

bool WaylandDesktop::sendChord(const QString &chord) {
    if (!m_keyboard || !m_keyboard->sendChord(chord))
        return false;
    // The holder counts only fetches after this as the paste.
    if (m_holderPid > 0)
        kill(pid_t(m_holderPid), SIGUSR1);
    return true;
}

QStringList WaylandDesktop::activeWindowClass() {
    // wlroots compositors list their windows to any client; KWin to those it grants.
    if (QStringList names = activeWaylandWindowClass(); !names.isEmpty())
        return names;
    const QString kwin = activeAppIdOnKWin();
    return kwin.isEmpty() ? QStringList() : QStringList{kwin};
}

bool WaylandDesktop::ownedByActiveClient(ClipboardSelection selection) {
    return selection == ClipboardSelection::Clipboard || !m_keyboard;
}

QStringList WaylandDesktop::targets(ClipboardSelection selection) {
    // Offers may have changed since the last look.
    d->dispatch(0);
    return d->offered[slot(selection)];
}

QByteArray WaylandDesktop::convert(ClipboardSelection selection, const QByteArray &target) {
    zwlr_data_control_offer_v1 *offer = d->offers[slot(selection)];
    if (!offer || !d->offered[slot(selection)].contains(QString::fromUtf8(target)))
        return {};
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0)
        return {};
    zwlr_data_control_offer_v1_receive(offer, target.constData(), pipe[1]);
    wl_display_flush(d->display);
    close(pipe[1]);
    QByteArray data("");
    const QDeadlineTimer deadline(ReceiveTimeoutMs);
    for (;;) {
        pollfd p{pipe[0], POLLIN, 0};
        const int ready = poll(&p, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[65536];
        const ssize_t n = read(pipe[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(pipe[0]);
            return n == 0 ? data : QByteArray();
        }
        data.append(buffer, n);
    }
    close(pipe[0]);
    return {};
}

bool WaylandDesktop::watch(ClipboardSelection selection) {
    if (!d->dispatch(0))
        return false;
    m_watched = selection;
    m_watchedFrom = d->changes[slot(selection)];
    return true;
}

bool WaylandDesktop::waitForNewOwner(QDeadlineTimer deadline) {
    while (m_watchedFrom >= 0 && d->changes[slot(m_watched)] == m_watchedFrom) {
        if (deadline.hasExpired() || !d->dispatch(int(deadline.remainingTime())) || d->finished)
            return false;
    }
    return m_watchedFrom >= 0;
}

void WaylandDesktop::clearSelection(ClipboardSelection selection) {
    d->setSelection(selection, nullptr);
    wl_display_roundtrip(d->display);
}

bool WaylandDesktop::hold(const HoldRequest &request) {
    HoldRequest wayland = request;
    wayland.session = DisplaySession::Wayland;
    return holdClipboard(wayland, &m_holderPid);
}

WaylandSelectionOwner::WaylandSelectionOwner(ClipboardSelection selection)
    : d(WaylandConnection::open(nullptr)) {
    struct sigaction action = {};
    action.sa_handler = notePasteChord;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
    if (d)
        d->which = selection;
}

WaylandSelectionOwner::~WaylandSelectionOwner() = default;

bool WaylandSelectionOwner::isConnected() const {
    return d && !d->finished && wl_display_get_error(d->display) == 0;
}

bool WaylandSelectionOwner::own(const Flavours &flavours) {
    if (!isConnected() || (d->which == ClipboardSelection::Primary && d->managerVersion < 2))
        return false;
    zwlr_data_control_source_v1 *source =
        zwlr_data_control_manager_v1_create_data_source(d->manager);
    static const zwlr_data_control_source_v1_listener sourceListener = {
        WaylandConnection::send, WaylandConnection::cancelled};
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, d.get());
    for (const Flavour &f : flavours)
        zwlr_data_control_source_v1_offer(source, f.target.constData());
    d->setSelection(d->which, source);
    // The previous source of ours is cancelled by the compositor, not by us.
    d->source = source;
    d->flavours = flavours;
    return wl_display_roundtrip(d->display) >= 0 && d->source == source;
}

void WaylandSelectionOwner::disown() {
    if (!isConnected() || !d->source)
        return;
    d->setSelection(d->which, nullptr);
    wl_display_roundtrip(d->display);
    if (d->source) {
        zwlr_data_control_source_v1_destroy(d->source);
        d->source = nullptr;
    }
}

bool WaylandSelectionOwner::processEvents(int timeoutMs) {
    return isConnected() && d->dispatch(timeoutMs);
}

bool WaylandSelectionOwner::owning() const {
    return d && d->source;
}

int WaylandSelectionOwner::served() const {
    return d ? d->served : 0;
}

qint64 WaylandSelectionOwner::lastRequestMs() const {
    return d ? d->lastRequestMs : 0;
}

int WaylandSelectionOwner::transfersUnderWay() const {
    return d ? int(d->transfers.size()) : 0;
}
