// The keyboard-shortcut routine: the text highlighted in the focused application in, the
// result pasted over it.
#pragma once

#include "commands.h"

#include <QStringList>

/// Runs a service on what the user highlighted. On X11: waits until the shortcut's modifiers
/// are released; takes PRIMARY when the focused window's client owns it, otherwise asks that
/// window to copy; Substitute and Add paste their result over the selection and give the
/// clipboard its previous contents back afterwards. A failure pastes nothing, leaves the
/// clipboard as it was and shows a desktop notification. Without X11 the result is only put on
/// the clipboard.
/// With sumwise (the provider's), the request is served with it rather than by serveRequest().
FilterResult runOnSelection(const ServiceCommand &command, Sumwise *sumwise = nullptr);

/// Whether a window of this WM_CLASS is a terminal, which copies and pastes with Shift added:
/// the built-in list, plus the classes named in the "TerminalClasses" setting.
bool isTerminal(const QStringList &windowClass);
