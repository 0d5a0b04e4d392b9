#include "x11selectionowner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>

namespace {

// One request of this size holds the server up for everyone else; the maximum request length
// allows 16 MB where the server has BIG-REQUESTS.
constexpr qsizetype MaxPartSize = 256 * 1024;
// A requestor that reads no part for this long is given up.
constexpr qint64 StalledTransferMs = 5000;
constexpr qint64 ClockTimeoutMs = 5000;
// Enough for any real MULTIPLE request; a longer list is refused rather than read.
constexpr uint32_t MaxMultipleAtoms = 65536;

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Server times wrap after 49 days.
bool notBefore(xcb_timestamp_t time, xcb_timestamp_t reference) {
    return int32_t(time - reference) >= 0;
}

} // namespace

X11SelectionOwner::X11SelectionOwner(ClipboardSelection selection)
    : m_which(selection) {
    int screenNumber = 0;
    m_c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_c))
        return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_c));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return;

    const char *names[] = {"CLIPBOARD",    "TARGETS", "TIMESTAMP",         "MULTIPLE",
                           "SAVE_TARGETS", "INCR",    "ATOM_PAIR",         "TEXT",
                           "UTF8_STRING",  "NULL",    "CLIPBOARD_MANAGER", "_SUMWISE_CLOCK",
                           "_SUMWISE_SAVE"};
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i)
        cookies[i] = xcb_intern_atom(m_c, 0, uint16_t(std::strlen(names[i])), names[i]);
    xcb_atom_t atoms[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_c, cookies[i], nullptr),
                                             &std::free);
        if (!reply)
            return;
        atoms[i] = reply->atom;
    }
    m_selection =
        selection == ClipboardSelection::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : atoms[0];
    m_atoms = {atoms[1], atoms[2], atoms[3], atoms[4],  atoms[5],  atoms[6], XCB_ATOM_INTEGER,
               atoms[7], atoms[8], atoms[9], atoms[10], atoms[11], atoms[12]};

    m_partSize = std::min(MaxPartSize, qsizetype(xcb_get_maximum_request_length(m_c)) * 4 - 64);
    // Property events on our own window bring the server's time.
    const uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
    m_window = xcb_generate_id(m_c);
    xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, screens.data->root, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_flush(m_c);
}

X11SelectionOwner::~X11SelectionOwner() {
    if (m_c)
        xcb_disconnect(m_c);
}

bool X11SelectionOwner::isConnected() const {
    return m_c && m_window != XCB_WINDOW_NONE && xcb_connection_has_error(m_c) == 0;
}

xcb_atom_t X11SelectionOwner::atom(const QByteArray &name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(name.size()), name.constData()),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t X11SelectionOwner::selectionOwner(xcb_atom_t selection) {
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, selection), nullptr),
        &std::free);
    return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
}

// A claim stamped CurrentTime could be older than requests already on their way to us; an
// empty append to our own property makes the server report its time.
xcb_timestamp_t X11SelectionOwner::serverTime() {
    m_clockTicked = false;
    xcb_change_property(m_c, XCB_PROP_MODE_APPEND, m_window, m_atoms.clock, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    const qint64 deadline = nowMs() + ClockTimeoutMs;
    while (!m_clockTicked) {
        const qint64 left = deadline - nowMs();
        if (left <= 0 || !processEvents(int(left)))
            return XCB_CURRENT_TIME;
    }
    return m_clock;
}

bool X11SelectionOwner::own(const Flavours &flavours) {
    if (!isConnected())
        return false;
    QList<xcb_intern_atom_cookie_t> cookies;
    for (const Flavour &flavour : flavours)
        cookies.append(
            xcb_intern_atom(m_c, 0, uint16_t(flavour.target.size()), flavour.target.constData()));
    QList<std::pair<xcb_atom_t, QByteArray>> offered;
    for (qsizetype i = 0; i < flavours.size(); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_c, cookies[i], nullptr),
                                             &std::free);
        if (!reply)
            return false;
        const bool known = std::any_of(offered.cbegin(), offered.cend(),
                                       [&](const auto &f) { return f.first == reply->atom; });
        if (!known)
            offered.append({reply->atom, flavours[i].data});
    }
    const xcb_timestamp_t time = serverTime();
    if (time == XCB_CURRENT_TIME)
        return false;
    m_flavours = offered;
    const bool continuing = m_owning;
    xcb_set_selection_owner(m_c, m_window, m_selection, time);
    m_owning = selectionOwner(m_selection) == m_window;
    if (!m_owning)
        return false;
    m_ownedSince = time;
    if (!continuing)
        m_ownedFrom = time;
    m_save = Save::NotAsked;
    return true;
}

void X11SelectionOwner::disown() {
    if (!m_owning || !isConnected())
        return;
    m_owning = false;
    // Our own time: should another client have taken the selection since, the server keeps it.
    if (selectionOwner(m_selection) == m_window)
        xcb_set_selection_owner(m_c, XCB_WINDOW_NONE, m_selection, m_ownedSince);
    xcb_flush(m_c);
}

void X11SelectionOwner::requestSave() {
    const xcb_window_t manager = m_which == ClipboardSelection::Clipboard && m_owning
                                     ? selectionOwner(m_atoms.manager)
                                     : xcb_window_t(XCB_WINDOW_NONE);
    if (manager == XCB_WINDOW_NONE) {
        m_save = Save::NoManager;
        return;
    }
    // The targets to save travel in the named property; without it the manager would ask for
    // TARGETS and have to weed out our side-effect targets.
    QList<xcb_atom_t> targets;
    for (const auto &flavour : std::as_const(m_flavours))
        targets.append(flavour.first);
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_window, m_atoms.saveProperty, XCB_ATOM_ATOM,
                        32, uint32_t(targets.size()), targets.constData());
    xcb_convert_selection(m_c, m_window, m_atoms.manager, m_atoms.saveTargets, m_atoms.saveProperty,
                          m_ownedSince);
    xcb_flush(m_c);
    m_save = Save::Pending;
}

// Every window of a client carries the client's resource id base.
bool X11SelectionOwner::fromManager(xcb_window_t requestor) {
    const xcb_window_t manager = selectionOwner(m_atoms.manager);
    const uint32_t mask = xcb_get_setup(m_c)->resource_id_mask;
    return manager != XCB_WINDOW_NONE && (manager & ~mask) == (requestor & ~mask);
}

bool X11SelectionOwner::processEvents(int timeoutMs) {
    if (!isConnected())
        return false;
    xcb_flush(m_c);
    auto drain = [this] {
        bool any = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_c)) {
            dispatch(event);
            std::free(event);
            any = true;
        }
        return any;
    };
    if (!drain() && timeoutMs > 0) {
        // Stalled transfers are noticed without any event.
        const int wait = m_transfers.isEmpty() ? timeoutMs : std::min(timeoutMs, 500);
        pollfd p{xcb_get_file_descriptor(m_c), POLLIN, 0};
        if (poll(&p, 1, wait) < 0 && errno != EINTR)
            return false;
        drain();
    }
    expireTransfers();
    xcb_flush(m_c);
    return xcb_connection_has_error(m_c) == 0;
}

void X11SelectionOwner::dispatch(xcb_generic_event_t *event) {
    switch (event->response_type & 0x7f) {
    case 0: {
        // Requestors may vanish between their request and our answer.
        const auto *error = reinterpret_cast<xcb_generic_error_t *>(event);
        if (error->error_code == XCB_WINDOW)
            dropTransfers(error->resource_id);
        break;
    }
    case XCB_SELECTION_REQUEST:
        answer(*reinterpret_cast<xcb_selection_request_event_t *>(event));
        break;
    case XCB_SELECTION_CLEAR: {
        const auto *clear = reinterpret_cast<xcb_selection_clear_event_t *>(event);
        if (clear->selection == m_selection && clear->owner == m_window)
            m_owning = false;
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto *notify = reinterpret_cast<xcb_property_notify_event_t *>(event);
        if (notify->window == m_window && notify->atom == m_atoms.clock) {
            m_clock = notify->time;
            m_clockTicked = true;
        } else if (notify->state == XCB_PROPERTY_DELETE) {
            continueTransfer(notify->window, notify->atom);
        }
        break;
    }
    case XCB_DESTROY_NOTIFY:
        dropTransfers(reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window);
        break;
    case XCB_SELECTION_NOTIFY: {
        const auto *notify = reinterpret_cast<xcb_selection_notify_event_t *>(event);
        if (notify->requestor == m_window && notify->selection == m_atoms.manager
            && notify->target == m_atoms.saveTargets && m_save == Save::Pending)
            m_save = notify->property == XCB_ATOM_NONE ? Save::Refused : Save::Saved;
        break;
    }
    default:
        break;
    }
}

void X11SelectionOwner::answer(const xcb_selection_request_event_t &request) {
    m_lastRequestMs = nowMs();
    // Requestors from before property names existed name none: the target stands for it.
    const xcb_atom_t property =
        request.property == XCB_ATOM_NONE ? request.target : request.property;
    // Taking the selection again to change the contents does not make a request that was
    // made while we already owned it one for another owner.
    bool done = m_owning && request.selection == m_selection && request.owner == m_window
                && (request.time == XCB_CURRENT_TIME || notBefore(request.time, m_ownedFrom));
    if (done) {
        const bool meta = request.target == m_atoms.targets || request.target == m_atoms.timestamp
                          || request.target == m_atoms.saveTargets;
        const bool paste = !meta && !fromManager(request.requestor);
        if (request.target == m_atoms.multiple)
            done = request.property != XCB_ATOM_NONE
                   && answerMultiple(request.requestor, request.property, paste);
        else
            done = convert(request.requestor, request.target, property, paste);
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = done ? property : xcb_atom_t(XCB_ATOM_NONE);
    xcb_send_event(m_c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&notify));
    xcb_flush(m_c);
}

bool X11SelectionOwner::convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property,
                                bool paste) {
    if (target == m_atoms.targets) {
        QList<xcb_atom_t> targets{m_atoms.targets, m_atoms.timestamp, m_atoms.multiple,
                                  m_atoms.saveTargets};
        for (const auto &flavour : std::as_const(m_flavours))
            targets.append(flavour.first);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            uint32_t(targets.size()), targets.constData());
        return true;
    }
    if (target == m_atoms.timestamp) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, requestor, property, m_atoms.integer, 32, 1,
                            &m_ownedSince);
        return true;
    }
    if (target == m_atoms.saveTargets) {
        // A side-effect target: its answer carries nothing.
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, requestor, property, m_atoms.null, 32, 0,
                            nullptr);
        return true;
    }
    const auto flavour = std::find_if(m_flavours.cbegin(), m_flavours.cend(),
                                      [&](const auto &f) { return f.first == target; });
    if (flavour == m_flavours.cend())
        return false;
    // TEXT leaves the encoding to us; UTF-8 is what today's readers decode.
    const xcb_atom_t type = target == m_atoms.text ? m_atoms.utf8String : target;
    const QByteArray &data = flavour->second;
    if (data.size() <= m_partSize) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                            uint32_t(data.size()), data.constData());
        if (paste)
            ++m_served;
        return true;
    }
    // A requestor that reuses a property starts that transfer afresh.
    m_transfers.removeIf(
        [&](const Transfer &t) { return t.requestor == requestor && t.property == property; });
    watch(requestor, true);
    const uint32_t size = uint32_t(std::min<qsizetype>(data.size(), UINT32_MAX));
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, requestor, property, m_atoms.incr, 32, 1,
                        &size);
    m_transfers.append({requestor, property, type, data, 0, paste, nowMs()});
    return true;
}

bool X11SelectionOwner::answerMultiple(xcb_window_t requestor, xcb_atom_t property, bool paste) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_c,
                               xcb_get_property(m_c, 0, requestor, property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, MaxMultipleAtoms),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 32 || reply->bytes_after != 0
        || (reply->type != m_atoms.atomPair && reply->type != XCB_ATOM_ATOM))
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    QList<xcb_atom_t> pairs(atoms, atoms + xcb_get_property_value_length(reply.get()) / 4);
    pairs.resize(pairs.size() / 2 * 2);
    for (qsizetype i = 0; i < pairs.size(); i += 2) {
        if (pairs[i] == m_atoms.multiple || pairs[i + 1] == XCB_ATOM_NONE
            || !convert(requestor, pairs[i], pairs[i + 1], paste))
            pairs[i + 1] = XCB_ATOM_NONE;
    }
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, requestor, property, reply->type, 32,
                        uint32_t(pairs.size()), pairs.constData());
    return true;
}

// The requestor deleted the property: it has read the last part and wants the next one.
void X11SelectionOwner::continueTransfer(xcb_window_t requestor, xcb_atom_t property) {
    const auto it = std::find_if(m_transfers.begin(), m_transfers.end(), [&](const Transfer &t) {
        return t.requestor == requestor && t.property == property;
    });
    if (it == m_transfers.end())
        return;
    const qsizetype size = std::min(m_partSize, it->data.size() - it->sent);
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, requestor, property, it->type, 8,
                        uint32_t(size), it->data.constData() + it->sent);
    it->sent += size;
    it->lastActivityMs = nowMs();
    if (size > 0)
        return;
    // The empty part ends the transfer.
    if (it->paste)
        ++m_served;
    m_transfers.erase(it);
    const bool more = std::any_of(m_transfers.cbegin(), m_transfers.cend(),
                                  [&](const Transfer &t) { return t.requestor == requestor; });
    if (!more)
        watch(requestor, false);
}

void X11SelectionOwner::dropTransfers(xcb_window_t requestor) {
    m_transfers.removeIf([&](const Transfer &t) { return t.requestor == requestor; });
}

void X11SelectionOwner::watch(xcb_window_t requestor, bool on) {
    const uint32_t mask = on ? XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY : 0;
    xcb_change_window_attributes(m_c, requestor, XCB_CW_EVENT_MASK, &mask);
}

void X11SelectionOwner::expireTransfers() {
    const qint64 now = nowMs();
    QList<xcb_window_t> stalled;
    m_transfers.removeIf([&](const Transfer &t) {
        if (now - t.lastActivityMs < StalledTransferMs)
            return false;
        stalled.append(t.requestor);
        return true;
    });
    for (xcb_window_t requestor : std::as_const(stalled)) {
        const bool more = std::any_of(m_transfers.cbegin(), m_transfers.cend(),
                                      [&](const Transfer &t) { return t.requestor == requestor; });
        if (!more)
            watch(requestor, false);
    }
}
