// A private Wayland session for desktop tests: a headless compositor (Sway, or KWin as KDE
// Plasma runs it) in a runtime folder of its own, Wayland-native programs on it, and both
// selections read and set through data-control (wl-paste, wl-copy). Everything ends with it.
#pragma once

#include "pasteboard/waylandkeyboard.h"
#include "tests/support/guitest.h"

#include <QDir>
#include <QTemporaryDir>

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
    }

    /// Starts the compositor and points this process at it; false with *why when a tool is
    /// missing or the compositor did not come up (the test skips). On KWin, the executables
    /// named are granted fake input and window management, as their desktop file would.
    bool start(Compositor compositor, const QStringList &tools, QString *why,
               const QStringList &granted = {}) {
        const bool sway = compositor == Compositor::Sway;
        const QString program = sway ? "sway" : "kwin_wayland";
        for (const QString &tool : QStringList{program, "setpriv"} + tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                *why = tool + " is not installed (scripts/install-deps.sh)";
                return false;
            }
        }
        env = with({}, {"PATH=" + qEnvironmentVariable("PATH"), "HOME=" + runtime.path(),
                        "XDG_RUNTIME_DIR=" + runtime.path()});
        QStringList sockets;
        if (!(sway ? startSway() : startKWin(granted))
            || !waitUntil(
                [&] {
                    return !(sockets =
                                 QDir(runtime.path())
                                     .entryList({sway ? "wayland-?" : "kwin-test"}, QDir::System))
                                .isEmpty();
                },
                10000)) {
            QFile log(runtime.filePath("compositor.log"));
            log.open(QIODevice::ReadOnly);
            *why = "headless " + program
                   + " did not start here: " + QString::fromLocal8Bit(log.readAll().right(500));
            return false;
        }
        env.insert("WAYLAND_DISPLAY", sockets.first());
        m_restore.set("WAYLAND_DISPLAY", QFile::encodeName(sockets.first()));
        m_restore.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        return true;
    }

    /// Starts a program of the session as the compositor's user.
    QProcess *launch(const QString &program, const QStringList &args = {},
                     QProcessEnvironment processEnv = {}) {
        return spawn(program, args, processEnv.isEmpty() ? env : processEnv,
                     QProcess::nullDevice());
    }

    /// Mousepad on Wayland on an empty document, its settings in memory, without a bus.
    QProcess *startEditor() {
        return launch("mousepad", {"--disable-server"},
                      with(env, {"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent",
                                 "GSETTINGS_BACKEND=memory", "GDK_BACKEND=wayland",
                                 "NO_AT_BRIDGE=1", "LC_ALL=C.UTF-8"}));
    }

    /// A keyboard on the session, once the compositor offers one.
    std::unique_ptr<WaylandKeyboard> openKeyboard(QString *missing = nullptr) {
        std::unique_ptr<WaylandKeyboard> keyboard;
        waitUntil([&] { return bool(keyboard = WaylandKeyboard::open(missing)); });
        return keyboard;
    }

    /// Types a probe until the focused editor holds it, selected: then keys reach it.
    bool editorTakesKeys(WaylandKeyboard &keyboard) {
        return waitUntil(
            [&] {
                return keyboard.type(u"ready") && keyboard.sendChord(u"ctrl+a")
                       && paste(true) == "ready";
            },
            10000);
    }

    /// A selection's bytes through data-control; empty when none, or when wl-paste does not
    /// answer (KWin announces no clipboard until something was copied).
    QByteArray paste(bool primary = false, const QString &type = {}) const {
        QStringList args{"--no-newline"};
        if (primary)
            args << "--primary";
        if (!type.isEmpty())
            args << "--type" << type;
        return wl("wl-paste", args).out;
    }

    /// The types the clipboard offers, read without fetching any.
    QStringList types() const {
        return QString::fromUtf8(wl("wl-paste", {"--list-types"}).out)
            .split(u'\n', Qt::SkipEmptyParts);
    }

    /// Sets the clipboard as another program would (wl-copy stays behind to serve it).
    bool copy(const QByteArray &data, const QString &type = "text/plain;charset=utf-8") {
        return wl("wl-copy", {"--type", type}, data).status == 0;
    }

private:
    QProcess *spawn(const QString &program, const QStringList &args, const QProcessEnvironment &e,
                    const QString &log) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(e);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(log);
        p->start("setpriv", m_as + QStringList{program} + args);
        m_processes.push_back(std::move(p));
        return m_processes.back().get();
    }

    bool startSway() {
        // Sway refuses to run as root; the whole session runs as nobody.
        if (getuid() == 0) {
            m_as = {"--reuid=nobody", "--regid=nogroup", "--clear-groups"};
            if (chown(QFile::encodeName(runtime.path()).constData(), 65534, 65534) != 0)
                return false;
        }
        QFile config(runtime.filePath("sway.conf"));
        if (!config.open(QIODevice::WriteOnly)
            || config.write("output HEADLESS-1 resolution 1280x800\n") < 0)
            return false;
        config.close();
        spawn("sway", {"-c", config.fileName()},
              with(env,
                   {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"}),
              runtime.filePath("compositor.log"));
        return true;
    }

    bool startKWin(const QStringList &granted) {
        // The installed KWin carries a file capability that containers may not grant
        // ("Operation not permitted"); a copy has none, and KWin needs its own name.
        const QString kwin = runtime.filePath("bin/kwin_wayland");
        const QString applications = runtime.filePath("share/applications");
        if (!QDir().mkpath(runtime.filePath("bin")) || !QDir().mkpath(applications)
            || !QFile::copy(QStandardPaths::findExecutable("kwin_wayland"), kwin))
            return false;
        // KWin grants its restricted interfaces by the desktop file that names the client's
        // executable by its absolute path; it reads /proc/PID/exe, so it runs as the test.
        for (const QString &exe : granted) {
            QFile entry(applications + "/granted-" + QString::number(qHash(exe)) + ".desktop");
            if (!entry.open(QIODevice::WriteOnly)
                || entry.write("[Desktop Entry]\nType=Application\nName=Test\nNoDisplay=true\n"
                               "Exec=\""
                               + QFile::encodeName(exe)
                               + "\"\nX-KDE-Wayland-Interfaces="
                                 "org_kde_kwin_fake_input,org_kde_plasma_window_management\n")
                       < 0)
                return false;
        }
        // A German keyboard (Y and Z swapped, symbols elsewhere): fake input must press KWin's
        // keys, not those of a default keymap.
        spawn(kwin,
              {"--virtual", "--socket", "kwin-test", "--width", "1280", "--height", "800",
               "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities"},
              with(env,
                   {"XDG_DATA_DIRS=" + runtime.filePath("share") + ":/usr/share", "KWIN_COMPOSE=Q",
                    "XKB_DEFAULT_LAYOUT=de", "XKB_DEFAULT_VARIANT=nodeadkeys"}),
              runtime.filePath("compositor.log"));
        return true;
    }

    Ran wl(const QString &tool, const QStringList &args, const QByteArray &in = {}) const {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(tool, args);
        return finish(p, in, in.isNull() ? 1000 : 5000);
    }

    QStringList m_as;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    Environment m_restore; // put back after the session's programs ended
};
