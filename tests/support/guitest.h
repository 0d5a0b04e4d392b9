// The shared harness of tests that run programs or need a private X server: one process
// runner, one wait, one X server launcher and the test's own X connection.
#pragma once

#include "tests/support/testing.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <sys/prctl.h>

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

/// How a program ended: its exit status (-1 when it did not start, crashed or timed out), its
/// standard output and its standard error.
struct Ran {
    int status = -1;
    QByteArray out, err;
};

/// Gives a started program its standard input and waits at most ms for its end, killing it
/// then. Our event loop keeps turning meanwhile: the program may be asking this process for
/// clipboard data.
inline Ran finish(QProcess &p, const QByteArray &input = {}, int ms = 10000) {
    if (!p.waitForStarted(10000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    if (!waitUntil([&] { return p.waitForFinished(20) || p.state() == QProcess::NotRunning; },
                   ms)) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, p.readAllStandardError() + "(timed out)"};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

/// env with each "NAME=value" set and each bare "NAME" removed.
inline QProcessEnvironment with(QProcessEnvironment env, const QStringList &settings) {
    for (const QString &s : settings)
        s.contains(u'=') ? env.insert(s.section(u'=', 0, 0), s.section(u'=', 1)) : env.remove(s);
    return env;
}

/// Runs a program to its end with input on its standard input, for at most 10 s.
inline Ran run(const QString &program, const QStringList &args, const QByteArray &input = {}) {
    QProcess p;
    p.start(program, args);
    return finish(p, input);
}

/// Starts Xvfb on a display it picks itself and names once it accepts clients (so parallel
/// tests never race for a number); the server ends with the tests, even when they crash. The
/// display's name (":N"), empty when Xvfb did not start.
inline QString startXvfb(QProcess &server) {
    server.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // -noreset: a desktop's server outlives its last client, and so must ours when an
    // application is replaced by the next one.
    server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-noreset",
                                          "-screen", "0", "1024x768x24"});
    while (server.waitForStarted(10000) && !server.canReadLine() && server.waitForReadyRead(20000))
        ;
    return server.canReadLine() ? u':' + QString::fromLatin1(server.readLine().trimmed())
                                : QString();
}

enum class X11Status { Ready, NotInstalled, Failed };

/// On first use starts Xvfb, points DISPLAY at it and creates the test's QGuiApplication on
/// it; later calls report the same outcome.
X11Status startX11(QString *why);

/// Skips the running test where Xvfb is not installed, fails it where it did not start.
inline void requireX11() {
    QString why;
    const X11Status status = startX11(&why);
    if (status == X11Status::NotInstalled)
        GTEST_SKIP() << why.toStdString();
    ASSERT_EQ(status, X11Status::Ready) << why.toStdString();
}

/// A test on the private X server. Fixtures that set up more call this first and return when
/// it skipped or failed.
class X11Test : public testing::Test {
protected:
    void SetUp() override { requireX11(); }
    bool ready() const { return !IsSkipped() && !HasFatalFailure(); }
};

/// xclip's reading of one target of a selection ("clipboard" or "primary").
inline Ran xclipRead(const char *selection, const QString &target) {
    return run("xclip", {"-selection", selection, "-o", "-t", target});
}
/// The targets a selection offers, as xclip reads them.
inline QStringList xclipTargets(const char *selection) {
    return QString::fromLatin1(xclipRead(selection, "TARGETS").out)
        .split(u'\n', Qt::SkipEmptyParts);
}
/// Has xclip own a selection with data as target, and waits until it serves it: xclip takes the
/// selection from a background process of its own, after its first process has ended.
inline void xclipWrite(const char *selection, const QString &target, const QByteArray &data) {
    ASSERT_EQ(run("xclip", {"-selection", selection, "-t", target, "-i"}, data).status, 0);
    ASSERT_TRUE(waitUntil([&] { return xclipRead(selection, target).out == data; }));
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
    /// A property's bytes, empty when there is none.
    QByteArray property(xcb_window_t w, xcb_atom_t name) {
        auto *reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
        const QByteArray value =
            reply ? QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply))
                  : QByteArray();
        std::free(reply);
        return value;
    }
};
