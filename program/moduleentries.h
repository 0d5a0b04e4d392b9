// The program's modules, beside its executable in ../lib/sumwise/, loaded only for a request
// that needs them: the display module speaks to the X server or the Wayland compositor
// without Qt GUI, the bus module to a running provider without Qt GUI, and the desktop module
// holds everything that needs Qt GUI or widgets.
#pragma once

#include "request.h"

#include <QByteArray>
#include <QMap>
#include <QString>

inline constexpr char DisplayModule[] = "sumwise-display.so";
inline constexpr char BusModule[] = "sumwise-bus.so";
inline constexpr char DesktopModule[] = "sumwise-desktop.so";

extern "C" {

/// The clipboard holder process ("sumwise --hold-clipboard"), see clipboardHolderMain().
Q_DECL_EXPORT int sumwiseHoldClipboard(int argc, char **argv);
/// The application whose window is active, see platform::activeApplicationName().
Q_DECL_EXPORT void sumwiseActiveApplication(QString *name);

/// Runs a service on the provider, see askProvider(): false when no provider took it, else
/// *error (when the service failed) or *pboard holds its answer.
Q_DECL_EXPORT bool sumwiseAskProvider(ServiceName service,
                                      const QMap<QString, QByteArray> *flavours, QString *error,
                                      QMap<QString, QByteArray> *pboard);

/// Has a running provider run the shortcut routine, see askProviderToRun(): false when none
/// took it, else *result is the routine's.
Q_DECL_EXPORT bool sumwiseRunOnSelection(const ServiceCommand *command, FilterResult *result);

/// Without a command: the provider on the session bus; returns its exit status. With one
/// (its input already read): serves it, through the provider when one can take it, sets
/// *result and returns its status. Creates the application object itself; the caller must not
/// have made one.
Q_DECL_EXPORT int sumwiseDesktopMain(int argc, char **argv, const ServiceCommand *command,
                                     FilterResult *result);
}
