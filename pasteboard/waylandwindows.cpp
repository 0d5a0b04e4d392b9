#include "waylandwindows.h"

#include "waylandconnect.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <poll.h>
#include <vector>

namespace {

// Toplevels announced late get their details one exchange later; more than this means a
// compositor that never finishes describing them.
constexpr int MaxRoundtrips = 4;

enum class Answer { Done, Lost, Silent };

struct Toplevel {
    zwlr_foreign_toplevel_handle_v1 *handle = nullptr;
    // Details arrive one by one and hold together only from the next done event on.
    WaylandWindow pending;
    bool pendingActivated = false;
    WaylandWindow window;
    bool activated = false;
    bool described = false;
    bool closed = false;

    static void title(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *title) {
        static_cast<Toplevel *>(data)->pending.title = QString::fromUtf8(title);
    }
    static void appId(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId) {
        static_cast<Toplevel *>(data)->pending.appId = QString::fromUtf8(appId);
    }
    static void output(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}
    static void state(void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states) {
        const auto *begin = static_cast<const uint32_t *>(states->data);
        const auto *end = begin + states->size / sizeof(uint32_t);
        static_cast<Toplevel *>(data)->pendingActivated =
            std::find(begin, end, uint32_t(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)) != end;
    }
    static void done(void *data, zwlr_foreign_toplevel_handle_v1 *) {
        auto *t = static_cast<Toplevel *>(data);
        t->window = t->pending;
        t->activated = t->pendingActivated;
        t->described = true;
    }
    static void gone(void *data, zwlr_foreign_toplevel_handle_v1 *) {
        static_cast<Toplevel *>(data)->closed = true;
    }
    static void parent(void *, zwlr_foreign_toplevel_handle_v1 *,
                       zwlr_foreign_toplevel_handle_v1 *) {}
};

struct Session {
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    uint32_t managerName = 0;
    uint32_t managerVersion = 0;
    zwlr_foreign_toplevel_manager_v1 *manager = nullptr;
    std::vector<std::unique_ptr<Toplevel>> toplevels;

    ~Session() {
        for (const auto &t : toplevels)
            zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
        if (manager)
            zwlr_foreign_toplevel_manager_v1_destroy(manager);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }

    static void global(void *data, wl_registry *, uint32_t name, const char *interface,
                       uint32_t version) {
        auto *s = static_cast<Session *>(data);
        if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
            s->managerName = name;
            s->managerVersion = version;
        }
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}

    static void toplevel(void *data, zwlr_foreign_toplevel_manager_v1 *,
                         zwlr_foreign_toplevel_handle_v1 *handle) {
        static const zwlr_foreign_toplevel_handle_v1_listener listener{
            &Toplevel::title, &Toplevel::appId, &Toplevel::output, &Toplevel::output,
            &Toplevel::state, &Toplevel::done,  &Toplevel::gone,   &Toplevel::parent};
        auto t = std::make_unique<Toplevel>();
        t->handle = handle;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, t.get());
        static_cast<Session *>(data)->toplevels.push_back(std::move(t));
    }
    static void finished(void *data, zwlr_foreign_toplevel_manager_v1 *manager) {
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        static_cast<Session *>(data)->manager = nullptr;
    }

    // wl_display_roundtrip with a deadline: a compositor that is stopped or busy must not hold
    // the shortcut up.
    Answer roundtrip(QDeadlineTimer deadline) {
        bool answered = false;
        static const wl_callback_listener listener{
            [](void *data, wl_callback *, uint32_t) { *static_cast<bool *>(data) = true; }};
        wl_callback *callback = wl_display_sync(display);
        wl_callback_add_listener(callback, &listener, &answered);
        Answer answer = Answer::Done;
        while (!answered && answer == Answer::Done) {
            if (wl_display_prepare_read(display) != 0) {
                if (wl_display_dispatch_pending(display) < 0)
                    answer = Answer::Lost;
                continue;
            }
            if (wl_display_flush(display) < 0 && errno != EAGAIN) {
                wl_display_cancel_read(display);
                answer = Answer::Lost;
                break;
            }
            pollfd fd{wl_display_get_fd(display), POLLIN, 0};
            const int ready = poll(&fd, 1, int(deadline.remainingTime()));
            if (ready <= 0) {
                wl_display_cancel_read(display);
                if (ready < 0 && errno == EINTR)
                    continue;
                answer = ready == 0 ? Answer::Silent : Answer::Lost;
                break;
            }
            if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
                answer = Answer::Lost;
        }
        wl_callback_destroy(callback);
        return answer;
    }
};

std::nullopt_t fail(QString *missing, const char *why) {
    if (missing)
        *missing = QString::fromUtf8(why);
    return std::nullopt;
}

std::nullopt_t fail(QString *missing, Answer answer) {
    return fail(missing, answer == Answer::Silent ? "the Wayland compositor does not answer"
                                                  : "the Wayland compositor closed the connection");
}

} // namespace

std::optional<WaylandWindow> activeWaylandWindow(QString *missing, QDeadlineTimer deadline) {
    Session s;
    s.display = connectToCompositor(missing);
    if (!s.display)
        return std::nullopt;
    static const wl_registry_listener registryListener{&Session::global, &Session::globalRemove};
    s.registry = wl_display_get_registry(s.display);
    wl_registry_add_listener(s.registry, &registryListener, &s);
    if (const Answer a = s.roundtrip(deadline); a != Answer::Done)
        return fail(missing, a);
    if (!s.managerName)
        return fail(missing,
                    "the compositor does not list its windows (no foreign-toplevel protocol)");

    static const zwlr_foreign_toplevel_manager_v1_listener managerListener{&Session::toplevel,
                                                                           &Session::finished};
    s.manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
        wl_registry_bind(s.registry, s.managerName, &zwlr_foreign_toplevel_manager_v1_interface,
                         std::min<uint32_t>(s.managerVersion, 3)));
    zwlr_foreign_toplevel_manager_v1_add_listener(s.manager, &managerListener, &s);
    auto undescribed = [&s] {
        return std::any_of(s.toplevels.begin(), s.toplevels.end(),
                           [](const auto &t) { return !t->described && !t->closed; });
    };
    int rounds = 0;
    do {
        if (const Answer a = s.roundtrip(deadline); a != Answer::Done)
            return fail(missing, a);
    } while (undescribed() && ++rounds < MaxRoundtrips);

    for (const auto &t : s.toplevels) {
        if (t->activated && !t->closed)
            return t->window;
    }
    return fail(missing, "no window has the focus");
}

QStringList activeWaylandWindowClass(QString *missing) {
    const std::optional<WaylandWindow> window = activeWaylandWindow(missing);
    if (!window || window->appId.isEmpty())
        return {};
    return {window->appId};
}
