// A headless Sway session for tests: the compositor and its Wayland-native applications run
// as nobody (Sway refuses root), in a runtime folder of their own that ends with the test.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <unistd.h>

class SwaySession {
public:
    QTemporaryDir runtime;
    /// For the session's clients: the runtime folder and WAYLAND_DISPLAY.
    QProcessEnvironment env;

    ~SwaySession() {
        for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
            (*it)->terminate();
            if (!(*it)->waitForFinished(5000))
                (*it)->kill();
            (*it)->waitForFinished();
        }
    }

    /// Starts Sway; false with *why when a tool is missing or the compositor did not come up
    /// (the test skips).
    bool start(const QStringList &tools, QString *why) {
        for (const QString &tool : QStringList{u"sway"_qs, u"setpriv"_qs} + tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                *why = tool + u" is not installed (scripts/install-deps.sh)"_qs;
                return false;
            }
        }
        if (getuid() == 0) {
            m_as = {u"--reuid=nobody"_qs, u"--regid=nogroup"_qs, u"--clear-groups"_qs};
            if (chown(QFile::encodeName(runtime.path()).constData(), 65534, 65534) != 0) {
                *why = u"the runtime folder cannot be given to nobody"_qs;
                return false;
            }
        }
        env.insert(u"PATH"_qs, qEnvironmentVariable("PATH"));
        env.insert(u"HOME"_qs, runtime.path());
        env.insert(u"XDG_RUNTIME_DIR"_qs, runtime.path());
        QProcessEnvironment compositor = env;
        compositor.insert(u"WLR_BACKENDS"_qs, u"headless"_qs);
        compositor.insert(u"WLR_LIBINPUT_NO_DEVICES"_qs, u"1"_qs);
        compositor.insert(u"WLR_RENDERER"_qs, u"pixman"_qs);
        QFile config(runtime.filePath(u"sway.conf"_qs));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write("output HEADLESS-1 resolution 1280x800\n");
        config.close();
        startAsSessionUser(compositor, u"sway"_qs, {u"-c"_qs, config.fileName()});
        // The compositor picks its socket's name.
        QStringList sockets;
        for (int i = 0; i < 100 && sockets.isEmpty(); ++i) {
            QThread::msleep(100);
            sockets = QDir(runtime.path()).entryList({u"wayland-?"_qs}, QDir::System);
        }
        if (sockets.isEmpty()) {
            *why = u"headless Sway did not start here"_qs;
            return false;
        }
        env.insert(u"WAYLAND_DISPLAY"_qs, sockets.first());
        return true;
    }

    /// Starts a program of the session as its user, a Wayland client with no session bus.
    QProcess *startAsSessionUser(const QProcessEnvironment &processEnv, const QString &program,
                                 const QStringList &args = {}) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(processEnv);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(u"setpriv"_qs, m_as + QStringList{program} + args);
        m_processes.push_back(std::move(p));
        return m_processes.back().get();
    }

    /// A Wayland-native GTK editor on an empty document.
    QProcess *startEditor() {
        QProcessEnvironment e = env;
        e.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, u"unix:path=/nonexistent"_qs);
        e.insert(u"GSETTINGS_BACKEND"_qs, u"memory"_qs);
        e.insert(u"GDK_BACKEND"_qs, u"wayland"_qs);
        e.insert(u"NO_AT_BRIDGE"_qs, u"1"_qs);
        e.insert(u"LC_ALL"_qs, u"C.UTF-8"_qs);
        return startAsSessionUser(e, u"mousepad"_qs, {u"--disable-server"_qs});
    }

    /// A selection's text as wl-paste reads it (data-control); empty when none.
    QByteArray paste(bool primary = false, const QString &type = {}) const {
        QStringList args{u"--no-newline"_qs};
        if (primary)
            args << u"--primary"_qs;
        if (!type.isEmpty())
            args << u"--type"_qs << type;
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(u"wl-paste"_qs, args);
        p.waitForFinished(5000);
        return p.readAllStandardOutput();
    }

    /// The types the clipboard offers, read without fetching any.
    QStringList types() const {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(u"wl-paste"_qs, {u"--list-types"_qs});
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    /// Sets the clipboard as another program would (wl-copy stays in the background).
    bool copy(const QByteArray &data, const QString &type = u"text/plain;charset=utf-8"_qs) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(u"wl-copy"_qs, {u"--type"_qs, type});
        p.write(data);
        p.closeWriteChannel();
        return p.waitForFinished(5000) && p.exitCode() == 0;
    }

private:
    QStringList m_as;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
