// A private X server for tests that need one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

enum class X11Status { Ready, NotInstalled, Failed };

/// On first use starts Xvfb on a free display, points DISPLAY at it and creates the test's
/// QGuiApplication on it; later calls report the same outcome.
X11Status startX11(QString *why);

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
