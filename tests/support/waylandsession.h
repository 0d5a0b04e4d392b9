// A private Wayland session for desktop tests: a headless compositor (Sway, or KWin as KDE
// Plasma runs it) in a runtime folder of its own, Wayland-native programs on it, and both
// selections read and set through data-control (wl-paste, wl-copy). Everything ends with it.
#pragma once

#include "pasteboard/waylandkeyboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <ostream>
#include <unistd.h>
#include <vector>

enum class Compositor { Sway, KWin };

inline void PrintTo(Compositor c, std::ostream *os) {
    *os << (c == Compositor::Sway ? "Sway" : "KWin");
}

class WaylandSession {
public:
    QTemporaryDir runtime;
    /// For the session's programs: PATH, HOME, the runtime folder and WAYLAND_DISPLAY.
    QProcessEnvironment env;

    ~WaylandSession() {
        for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
            (*it)->terminate();
            if (!(*it)->waitForFinished(5000))
                (*it)->kill();
            (*it)->waitForFinished();
        }
        restore("WAYLAND_DISPLAY", m_saved.first);
        restore("XDG_RUNTIME_DIR", m_saved.second);
    }

    /// Starts the compositor and points this process at it; false with *why when a tool is
    /// missing or the compositor did not come up (the test skips). On KWin, the executables
    /// named are granted fake input and window management, as their desktop file would.
    bool start(Compositor compositor, const QStringList &tools, QString *why,
               const QStringList &granted = {}) {
        const QString program = compositor == Compositor::Sway ? u"sway"_qs : u"kwin_wayland"_qs;
        for (const QString &tool : QStringList{program, u"setpriv"_qs} + tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                *why = tool + u" is not installed (scripts/install-deps.sh)"_qs;
                return false;
            }
        }
        env.insert(u"PATH"_qs, qEnvironmentVariable("PATH"));
        env.insert(u"HOME"_qs, runtime.path());
        env.insert(u"XDG_RUNTIME_DIR"_qs, runtime.path());
        const bool started = compositor == Compositor::Sway ? startSway() : startKWin(granted);
        if (!started
            || !useSocket(compositor == Compositor::Sway ? u"wayland-?"_qs : u"kwin-test"_qs)) {
            QFile log(runtime.filePath(u"compositor.log"_qs));
            log.open(QIODevice::ReadOnly);
            *why = u"headless %1 did not start here: "_qs.arg(program)
                   + QString::fromLocal8Bit(log.readAll().right(500));
            return false;
        }
        return true;
    }

    /// Starts a program of the session as the compositor's user.
    QProcess *launch(const QString &program, const QStringList &args = {},
                     QProcessEnvironment processEnv = {}) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(processEnv.isEmpty() ? env : processEnv);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(u"setpriv"_qs, m_as + QStringList{program} + args);
        m_processes.push_back(std::move(p));
        return m_processes.back().get();
    }

    /// Mousepad on Wayland on an empty document, its settings in memory, without a bus.
    QProcess *startEditor() {
        QProcessEnvironment e = env;
        e.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, u"unix:path=/nonexistent"_qs);
        e.insert(u"GSETTINGS_BACKEND"_qs, u"memory"_qs);
        e.insert(u"GDK_BACKEND"_qs, u"wayland"_qs);
        e.insert(u"NO_AT_BRIDGE"_qs, u"1"_qs);
        e.insert(u"LC_ALL"_qs, u"C.UTF-8"_qs);
        return launch(u"mousepad"_qs, {u"--disable-server"_qs}, e);
    }

    /// A keyboard on the session, once the compositor offers one.
    std::unique_ptr<WaylandKeyboard> openKeyboard(QString *missing = nullptr) {
        std::unique_ptr<WaylandKeyboard> keyboard;
        for (int i = 0; i < 50 && !keyboard; ++i) {
            if (!(keyboard = WaylandKeyboard::open(missing)))
                QThread::msleep(100);
        }
        return keyboard;
    }

    /// Types a probe until the focused editor holds it, selected: then keys reach it.
    bool editorTakesKeys(WaylandKeyboard &keyboard) {
        for (int i = 0; i < 100; ++i) {
            if (keyboard.type(u"ready") && keyboard.sendChord(u"ctrl+a") && paste(true) == "ready")
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    /// A selection's bytes through data-control; empty when none, or when wl-paste does not
    /// answer (KWin announces no clipboard until something was copied).
    QByteArray paste(bool primary = false, const QString &type = {}) const {
        QStringList args{u"--no-newline"_qs};
        if (primary)
            args << u"--primary"_qs;
        if (!type.isEmpty())
            args << u"--type"_qs << type;
        return wlPaste(args);
    }

    /// The types the clipboard offers, read without fetching any.
    QStringList types() const {
        return QString::fromUtf8(wlPaste({u"--list-types"_qs})).split(u'\n', Qt::SkipEmptyParts);
    }

    /// Sets the clipboard as another program would (wl-copy stays behind to serve it).
    bool copy(const QByteArray &data, const QString &type = u"text/plain;charset=utf-8"_qs) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(u"wl-copy"_qs, {u"--type"_qs, type});
        p.write(data);
        p.closeWriteChannel();
        return p.waitForFinished(5000) && p.exitCode() == 0;
    }

private:
    bool startSway() {
        // Sway refuses to run as root; the whole session runs as nobody.
        if (getuid() == 0) {
            m_as = {u"--reuid=nobody"_qs, u"--regid=nogroup"_qs, u"--clear-groups"_qs};
            if (chown(QFile::encodeName(runtime.path()).constData(), 65534, 65534) != 0)
                return false;
        }
        QProcessEnvironment e = env;
        e.insert(u"WLR_BACKENDS"_qs, u"headless"_qs);
        e.insert(u"WLR_LIBINPUT_NO_DEVICES"_qs, u"1"_qs);
        e.insert(u"WLR_RENDERER"_qs, u"pixman"_qs);
        QFile config(runtime.filePath(u"sway.conf"_qs));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write("output HEADLESS-1 resolution 1280x800\n");
        config.close();
        launch(u"sway"_qs, {u"-c"_qs, config.fileName()}, e)
            ->setStandardErrorFile(runtime.filePath(u"compositor.log"_qs));
        return true;
    }

    bool startKWin(const QStringList &granted) {
        // The installed KWin carries a file capability that containers may not grant
        // ("Operation not permitted"); a copy has none, and KWin needs its own name.
        const QString kwin = runtime.filePath(u"bin/kwin_wayland"_qs);
        const QString applications = runtime.filePath(u"share/applications"_qs);
        if (!QDir().mkpath(runtime.filePath(u"bin"_qs)) || !QDir().mkpath(applications)
            || !QFile::copy(QStandardPaths::findExecutable(u"kwin_wayland"_qs), kwin))
            return false;
        // KWin grants its restricted interfaces by the desktop file that names the client's
        // executable by its absolute path; it reads /proc/PID/exe, so it runs as the test.
        for (const QString &exe : granted) {
            QFile entry(applications + u"/granted-%1.desktop"_qs.arg(qHash(exe)));
            if (!entry.open(QIODevice::WriteOnly))
                return false;
            entry.write("[Desktop Entry]\nType=Application\nName=Test\nNoDisplay=true\nExec=\""
                        + QFile::encodeName(exe)
                        + "\"\nX-KDE-Wayland-Interfaces="
                          "org_kde_kwin_fake_input,org_kde_plasma_window_management\n");
        }
        QProcessEnvironment e = env;
        e.insert(u"XDG_DATA_DIRS"_qs, runtime.filePath(u"share"_qs) + u":/usr/share"_qs);
        e.insert(u"KWIN_COMPOSE"_qs, u"Q"_qs);
        // A German keyboard (Y and Z swapped, symbols elsewhere): fake input must press KWin's
        // keys, not those of a default keymap.
        e.insert(u"XKB_DEFAULT_LAYOUT"_qs, u"de"_qs);
        e.insert(u"XKB_DEFAULT_VARIANT"_qs, u"nodeadkeys"_qs);
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(e);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(runtime.filePath(u"compositor.log"_qs));
        p->start(kwin, {u"--virtual"_qs, u"--socket"_qs, u"kwin-test"_qs, u"--width"_qs, u"1280"_qs,
                        u"--height"_qs, u"800"_qs, u"--no-lockscreen"_qs,
                        u"--no-global-shortcuts"_qs, u"--no-kactivities"_qs});
        m_processes.push_back(std::move(p));
        return true;
    }

    bool useSocket(const QString &pattern) {
        QStringList sockets;
        for (int i = 0; i < 100 && sockets.isEmpty(); ++i) {
            QThread::msleep(100);
            sockets = QDir(runtime.path()).entryList({pattern}, QDir::System);
        }
        if (sockets.isEmpty())
            return false;
        env.insert(u"WAYLAND_DISPLAY"_qs, sockets.first());
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(sockets.first()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        return true;
    }

    QByteArray wlPaste(const QStringList &args) const {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(u"wl-paste"_qs, args);
        if (!p.waitForFinished(1000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return p.readAllStandardOutput();
    }

    static void restore(const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QStringList m_as;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    std::pair<QByteArray, QByteArray> m_saved{qgetenv("WAYLAND_DISPLAY"),
                                              qgetenv("XDG_RUNTIME_DIR")};
};
