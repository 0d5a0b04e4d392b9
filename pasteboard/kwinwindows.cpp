#include "kwinwindows.h"

#include "waylandconnect.h"

#include "plasma-window-management-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Events a listener must have a slot for but the query does not need.
constexpr auto ignore = [](auto...) {};

// Windows are named by uuid from this version on, by a number before.
constexpr uint32_t ByUuid = 13;
// The newest version whose events the listeners below know.
constexpr uint32_t Known = 16;

struct Window {
    org_kde_plasma_window *proxy = nullptr;
    QString appId;
    uint32_t state = 0;
    bool complete = false;
    bool unmapped = false;
};

struct Query {
    wl_display *display = nullptr;
    org_kde_plasma_window_management *manager = nullptr;
    uint32_t version = 0;
    std::vector<std::unique_ptr<Window>> windows;

    ~Query() {
        for (const auto &w : windows) {
            if (version >= ORG_KDE_PLASMA_WINDOW_DESTROY_SINCE_VERSION)
                org_kde_plasma_window_destroy(w->proxy);
            else
                wl_proxy_destroy(reinterpret_cast<wl_proxy *>(w->proxy));
        }
        if (manager)
            org_kde_plasma_window_management_destroy(manager);
        if (display)
            wl_display_disconnect(display);
    }

    void track(org_kde_plasma_window *proxy) {
        static const org_kde_plasma_window_listener listener{
            ignore,
            [](void *data, org_kde_plasma_window *, const char *appId) {
                static_cast<Window *>(data)->appId = QString::fromUtf8(appId);
            },
            [](void *data, org_kde_plasma_window *, uint32_t flags) {
                static_cast<Window *>(data)->state = flags;
            },
            ignore,
            ignore,
            [](void *data, org_kde_plasma_window *) {
                static_cast<Window *>(data)->unmapped = true;
            },
            [](void *data, org_kde_plasma_window *) {
                static_cast<Window *>(data)->complete = true;
            },
            ignore,
            ignore,
            ignore,
            ignore,
            ignore,
            ignore,
            ignore,
            ignore,
            ignore,
            ignore};
        auto w = std::make_unique<Window>();
        w->proxy = proxy;
        // Before initial_state existed, one round trip brings all there is.
        w->complete = version < ORG_KDE_PLASMA_WINDOW_INITIAL_STATE_SINCE_VERSION;
        org_kde_plasma_window_add_listener(proxy, &listener, w.get());
        windows.push_back(std::move(w));
    }

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t version) {
        auto *q = static_cast<Query *>(data);
        if (q->manager || std::strcmp(interface, org_kde_plasma_window_management_interface.name))
            return;
        static const org_kde_plasma_window_management_listener listener{
            ignore,
            [](void *data, org_kde_plasma_window_management *manager, uint32_t id) {
                auto *q = static_cast<Query *>(data);
                if (q->version < ByUuid)
                    q->track(org_kde_plasma_window_management_get_window(manager, id));
            },
            ignore, ignore,
            [](void *data, org_kde_plasma_window_management *manager, uint32_t, const char *uuid) {
                static_cast<Query *>(data)->track(
                    org_kde_plasma_window_management_get_window_by_uuid(manager, uuid));
            }};
        q->version = std::min(version, Known);
        q->manager = static_cast<org_kde_plasma_window_management *>(wl_registry_bind(
            registry, name, &org_kde_plasma_window_management_interface, q->version));
        org_kde_plasma_window_management_add_listener(q->manager, &listener, q);
    }
};

} // namespace

QString activeAppIdOnKWin(QString *missing) {
    auto fail = [missing](const char *why) {
        if (missing)
            *missing = QString::fromUtf8(why);
        return QString();
    };
    Query q;
    q.display = connectToCompositor(missing);
    if (!q.display)
        return QString();
    static const wl_registry_listener listener{&Query::global, ignore};
    wl_registry *registry = wl_display_get_registry(q.display);
    wl_registry_add_listener(registry, &listener, &q);
    const int found = wl_display_roundtrip(q.display);
    wl_registry_destroy(registry);
    if (found < 0)
        return fail("the Wayland compositor cannot be reached");
    if (!q.manager)
        return fail("the compositor does not tell which window is active: it offers no "
                    "org_kde_plasma_window_management, which KWin grants only to programs "
                    "whose desktop file lists it");
    // The windows come with one round trip, their state with the next; a window that maps
    // meanwhile may need one more.
    for (int round = 0; round < 4; ++round) {
        if (wl_display_roundtrip(q.display) < 0)
            return fail("the Wayland compositor closed the connection");
        if (std::all_of(q.windows.begin(), q.windows.end(),
                        [](const auto &w) { return w->complete; }))
            break;
    }
    for (const auto &w : q.windows) {
        if (w->complete && !w->unmapped
            && (w->state & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE))
            return w->appId.isEmpty() ? fail("the active window has no application id") : w->appId;
    }
    return fail("no window is active");
}
