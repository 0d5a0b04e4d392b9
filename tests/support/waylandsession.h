// A private Wayland session for desktop tests: a runtime folder of its own, a compositor the
// fixture starts, a session bus, a Wayland-native editor (Mousepad), and the clipboard read
// back through data control (wl-paste).
#pragma once

#include "pasteboard/waylandkeyboard.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

class WaylandSessionTest : public testing::Test {
protected:
    QTemporaryDir runtime;
    QProcessEnvironment env;
    /// setpriv options the session's programs run with; empty: as the test itself.
    QStringList as;
    QProcess compositor, bus, editor;

    void SetUp() override {
        saved = {qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_RUNTIME_DIR")};
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("HOME"), runtime.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    }

    void TearDown() override {
        for (QProcess *p : {&editor, &bus, &compositor}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished();
        }
        restore("WAYLAND_DISPLAY", saved.first);
        restore("XDG_RUNTIME_DIR", saved.second);
    }

    /// The first of the tools that is not installed; empty when all are.
    static QString lacking(const QStringList &tools) {
        for (const QString &tool : tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                return tool;
        }
        return {};
    }

    void launch(QProcess &p, const QString &program, const QStringList &args) {
        if (as.isEmpty())
            p.start(program, args);
        else
            p.start(QStringLiteral("setpriv"), as + QStringList{program} + args);
    }

    /// Waits up to 10 s for the compositor's socket, then points the session and this
    /// process at it; false when none appeared.
    bool useSocket(const QString &pattern) {
        QStringList sockets;
        for (int i = 0; i < 100 && sockets.isEmpty(); ++i) {
            QThread::msleep(100);
            sockets = QDir(runtime.path()).entryList({pattern}, QDir::System);
        }
        if (sockets.isEmpty())
            return false;
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), sockets.first());
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(sockets.first()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        return true;
    }

    /// A session bus that ends with the test, then the editor on the compositor, its
    /// settings in memory.
    void startEditor() {
        const QString busAddress = QStringLiteral("unix:path=") + runtime.filePath(u"bus"_qs);
        bus.setProcessEnvironment(env);
        bus.setStandardOutputFile(QProcess::nullDevice());
        launch(bus, QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--address=") + busAddress});
        for (int i = 0; i < 50 && !QFile::exists(runtime.filePath(u"bus"_qs)); ++i)
            QThread::msleep(100);
        QProcessEnvironment editorEnv = env;
        editorEnv.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        editorEnv.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        editorEnv.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
        editorEnv.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
        editor.setProcessEnvironment(editorEnv);
        editor.setStandardOutputFile(QProcess::nullDevice());
        editor.setStandardErrorFile(QProcess::nullDevice());
        launch(editor, QStringLiteral("mousepad"), {});
    }

    /// The clipboard (or with "--primary" the selection) through data control; empty when
    /// wl-paste does not answer (KWin sends no selection event while nothing was ever copied).
    QByteArray paste(const QStringList &args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("wl-paste"), QStringList{QStringLiteral("--no-newline")} + args);
        if (!p.waitForFinished(1000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return p.readAllStandardOutput();
    }

    // The editor's window takes a moment to map and take the focus.
    QByteArray waitFor(const QStringList &args, const QByteArray &wanted) {
        QByteArray got;
        for (int i = 0; i < 50 && (got = paste(args)) != wanted; ++i)
            QThread::msleep(100);
        return got;
    }

    /// A keyboard on the session, retried while the compositor settles.
    std::unique_ptr<WaylandKeyboard> openKeyboard(QString *missing) {
        std::unique_ptr<WaylandKeyboard> keyboard;
        for (int i = 0; i < 50 && !keyboard; ++i) {
            keyboard = WaylandKeyboard::open(missing);
            if (!keyboard)
                QThread::msleep(100);
        }
        return keyboard;
    }

    /// Puts text on the clipboard through data control; wl-copy stays behind to serve it.
    void copy(const QString &text) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(QStringLiteral("wl-copy"), {text});
        p.waitForFinished(5000);
    }

    /// What the keyboard types and selects is what the editor holds, Ctrl+C copies it, and
    /// Ctrl+V pastes what data control put on the clipboard in place of the selection.
    void typeSelectAndCopy(WaylandKeyboard &keyboard) {
        // Until the editor has the focus, what the keyboard types goes nowhere: retry the probe.
        QByteArray typed;
        for (int i = 0; i < 50 && typed != "ready"; ++i) {
            ASSERT_TRUE(keyboard.type(u"ready"));
            ASSERT_TRUE(keyboard.sendChord(u"ctrl+a"));
            typed = paste({QStringLiteral("--primary")});
            QThread::msleep(100);
        }
        ASSERT_EQ(typed, "ready");
        // Characters on the shift level, a selection made with Shift, a Ctrl shortcut.
        ASSERT_TRUE(keyboard.type(u"2*(3+4)^2 = 98"));
        ASSERT_TRUE(keyboard.sendChord(u"shift+Home"));
        EXPECT_EQ(waitFor({QStringLiteral("--primary")}, "2*(3+4)^2 = 98"), "2*(3+4)^2 = 98");
        ASSERT_TRUE(keyboard.sendChord(u"ctrl+c"));
        EXPECT_EQ(waitFor({}, "2*(3+4)^2 = 98"), "2*(3+4)^2 = 98");
        copy(QStringLiteral("98"));
        ASSERT_EQ(waitFor({}, "98"), "98");
        ASSERT_TRUE(keyboard.sendChord(u"ctrl+v"));
        // The editor fetches the contents before it pastes them: select all until they are in.
        QByteArray document;
        for (int i = 0; i < 50 && document != "98"; ++i) {
            QThread::msleep(100);
            ASSERT_TRUE(keyboard.sendChord(u"ctrl+a"));
            document = paste({QStringLiteral("--primary")});
        }
        EXPECT_EQ(document, "98");
        // Keys the keymap does not have are refused, nothing half sent.
        EXPECT_FALSE(keyboard.sendChord(u"ctrl+NoSuchKey"));
        EXPECT_FALSE(keyboard.type(u"漢"));
    }

private:
    static void restore(const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    std::pair<QByteArray, QByteArray> saved;
};
