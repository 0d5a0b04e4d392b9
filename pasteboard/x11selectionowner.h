// An X11 selection owner over a connection of its own, without any Qt GUI: it answers
// TARGETS, TIMESTAMP, MULTIPLE and SAVE_TARGETS, refuses unknown targets with property None,
// sends data above one request's worth in INCR parts (to several requestors at once, dropping
// those that die or stop reading) and hands final contents to a clipboard manager.
#pragma once

#include "clipboardholder.h"

#include <QByteArray>
#include <QList>

#include <xcb/xcb.h>

/// Serves flavours of one selection. Single-threaded: the owner does its work inside
/// processEvents(), which its caller turns.
class X11SelectionOwner {
public:
    using Save = ManagerSave;

    /// Connects to DISPLAY; see isConnected().
    explicit X11SelectionOwner(ClipboardSelection selection);
    ~X11SelectionOwner();
    X11SelectionOwner(const X11SelectionOwner &) = delete;
    X11SelectionOwner &operator=(const X11SelectionOwner &) = delete;

    /// Whether a server accepted the connection and the connection still works.
    bool isConnected() const;
    /// Takes the selection at a fresh server time and serves these flavours from then on
    /// (taking it again while owning it only renews the time). False when the server gave the
    /// selection to nobody else but not to us either.
    bool own(const Flavours &flavours);
    /// Gives the selection up, unless another owner has taken it meanwhile.
    void disown();
    /// Asks the owner of CLIPBOARD_MANAGER, if any, to save the flavours now on offer.
    /// Only the clipboard has a manager; for PRIMARY this says NoManager.
    void requestSave();

    /// Handles the events that arrive within timeoutMs (none: at most what is queued).
    /// False once the connection is broken.
    bool processEvents(int timeoutMs);

    /// Whether we own the selection, as far as the events tell (a SelectionClear ends it).
    bool owning() const { return m_owning; }
    /// Transfers of content targets completed for requestors other than the clipboard manager.
    int served() const { return m_served; }
    /// Monotonic milliseconds of the last selection request, 0 before any.
    qint64 lastRequestMs() const { return m_lastRequestMs; }
    /// INCR transfers still under way.
    int transfersUnderWay() const { return int(m_transfers.size()); }
    Save saveState() const { return m_save; }
    /// The server time at which we took the selection last.
    xcb_timestamp_t ownedSince() const { return m_ownedSince; }

    /// Data larger than this goes in INCR parts of this size.
    qsizetype partSize() const { return m_partSize; }

private:
    struct Transfer {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        QByteArray data;
        qsizetype sent;
        bool paste;
        qint64 lastActivityMs;
    };

    xcb_atom_t atom(const QByteArray &name);
    xcb_timestamp_t serverTime();
    xcb_window_t selectionOwner(xcb_atom_t selection);
    bool fromManager(xcb_window_t requestor);
    void dispatch(xcb_generic_event_t *event);
    void answer(const xcb_selection_request_event_t &request);
    bool convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property, bool paste);
    bool answerMultiple(xcb_window_t requestor, xcb_atom_t property, bool paste);
    void continueTransfer(xcb_window_t requestor, xcb_atom_t property);
    void dropTransfers(xcb_window_t requestor);
    void watch(xcb_window_t requestor, bool on);
    void expireTransfers();

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    ClipboardSelection m_which;
    struct {
        xcb_atom_t targets, timestamp, multiple, saveTargets, incr, atomPair, integer, text,
            utf8String, null, manager, clock, saveProperty;
    } m_atoms{};
    QList<std::pair<xcb_atom_t, QByteArray>> m_flavours;
    QList<Transfer> m_transfers;
    xcb_timestamp_t m_ownedSince = 0;
    xcb_timestamp_t m_ownedFrom = 0; // since when we own it without a break
    bool m_owning = false;
    bool m_clockTicked = false;
    xcb_timestamp_t m_clock = 0;
    int m_served = 0;
    qint64 m_lastRequestMs = 0;
    Save m_save = Save::NotAsked;
    qsizetype m_partSize = 0;
};
