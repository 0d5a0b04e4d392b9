// A private X server for tests that need one.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>

enum class X11Status { Ready, NotInstalled, Failed };

/// On first use starts Xvfb on a free display, points DISPLAY at it and creates the test's
/// QGuiApplication on it; later calls report the same outcome.
X11Status startX11(QString *why);

/// A test on the private X server: skipped where Xvfb is not installed. Fixtures that set up
/// more call this first and return when it skipped or failed.
class X11Test : public testing::Test {
protected:
    void SetUp() override {
        QString why;
        const X11Status status = startX11(&why);
        if (status == X11Status::NotInstalled)
            GTEST_SKIP() << why.toStdString();
        ASSERT_EQ(status, X11Status::Ready) << why.toStdString();
    }
    bool ready() const { return !IsSkipped() && !HasFatalFailure(); }
};

/// How a helper program ended: its exit status (-1 when it did not start, crashed or timed
/// out) and its standard output.
struct Ran {
    int status = -1;
    QByteArray out;
};

/// Runs a program to its end with input on its standard input, for at most 10 s. Our event
/// loop keeps turning meanwhile: the program may be asking this process for clipboard data.
Ran run(const QString &program, const QStringList &args, const QByteArray &input = {});
/// xclip's reading of one target of a selection ("clipboard" or "primary").
Ran xclipRead(const char *selection, const QString &target);
/// The targets a selection offers, as xclip reads them.
QStringList xclipTargets(const char *selection);
/// Has xclip own a selection with data as target, and waits until it serves it: xclip takes the
/// selection from a background process of its own, after its first process has ended.
void xclipWrite(const char *selection, const QString &target, const QByteArray &data);

/// Turns the event loop until done() holds, for at most ms; done()'s last answer. Needs only a
/// QCoreApplication, so tests without a display use it too.
inline bool waitUntil(const std::function<bool()> &done, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        QThread::msleep(20);
    }
    return done();
}

// A connection of the test's own to the server, for windows and selection owners.
struct X11 {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    ~X11() { xcb_disconnect(c); }

    xcb_atom_t atom(const char *name) {
        auto *reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }
    xcb_atom_t selection(const char *name) {
        return std::strcmp(name, "primary") == 0 ? xcb_atom_t(XCB_ATOM_PRIMARY) : atom("CLIPBOARD");
    }
    xcb_window_t window() {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return w;
    }
    void setProperty(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, uint8_t format,
                     const void *data, uint32_t units) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, name, type, format, units, data);
        sync();
    }
    void setActive(xcb_window_t w) {
        setProperty(root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, &w, 1);
    }
    // Leaves a selection without owner: owned by a window that is then destroyed.
    void clear(const char *name) {
        const xcb_window_t w = window();
        xcb_set_selection_owner(c, w, selection(name), XCB_CURRENT_TIME);
        xcb_destroy_window(c, w);
        sync();
    }
    xcb_window_t owner(const char *name) {
        auto *reply =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection(name)), nullptr);
        const xcb_window_t w = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        return w;
    }
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
};
