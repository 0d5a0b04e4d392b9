// Whether the provider runs on the session bus, asked without loading a D-Bus library: a
// plain filter that finds none serves itself rather than have the bus start one.
#pragma once

#include <QByteArray>

inline constexpr char ProviderName[] = "org.sumwise.Sumwise";

enum class ProviderState {
    NoBus,      // no session bus can be reached
    NotRunning, // the bus answered that nobody owns the name
    Running,    // somebody owns it
    Unknown,    // a bus this probe cannot speak to (another transport, autolaunch, no answer)
};

/// Asks the session bus (DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus) whether name
/// has an owner, within a second.
ProviderState busProvider(const char *name);

/// The same, on the bus at address (a D-Bus address: "unix:path=..." or "unix:abstract=...",
/// alternatives separated by ';').
ProviderState busProvider(const QByteArray &address, const char *name);
