// Keeping the desktop clipboard's contents alive after the writing process ends.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

/// Which X11 selection: the clipboard, or what the user has highlighted.
enum class ClipboardSelection { Clipboard, Primary };

/// One flavour as the desktop names it (an X11 target or a MIME type) and its bytes.
struct Flavour {
    QByteArray target;
    QByteArray data;
};
using Flavours = QList<Flavour>;

/// The flavours under which the desktop offers plain text.
Flavours textFlavours(const QString &text);
/// Rich text and, beside it, the plain forms of its characters.
Flavours richTextFlavours(const QByteArray &rtf, const QString &plain);

struct HoldRequest {
    ClipboardSelection selection = ClipboardSelection::Clipboard;
    Flavours flavours;           // offered first
    bool restore = false;        // give the previous contents back once the paste was served
    Flavours previous;           // with restore: offered afterwards; empty: give the selection up
    int restoreTimeoutMs = 2000; // restore after this even if nobody fetched the data
};
/// Returns once the holder owns the selection (false: no X server, could not take it).
bool holdClipboard(const HoldRequest &request, qint64 *holderPid = nullptr);

/// Hands one flavour to a background process that owns the clipboard until another program
/// takes it over (the way xclip and wl-copy work). Returns once the holder owns the selection;
/// false when no holder could be started or it could not take the selection (no X server).
/// The holder runs this executable, whose main() must hand "--hold-clipboard" to
/// clipboardHolderMain() before anything else. It is detached: its own session, standard
/// streams on /dev/null, not a child of the caller. holderPid, when given, receives its id.
bool holdClipboard(const QString &type, const QByteArray &data,
                   ClipboardSelection selection = ClipboardSelection::Clipboard,
                   qint64 *holderPid = nullptr);

/// The body of that background process ("sumwise --hold-clipboard TYPE [--primary]"): reads
/// its flavour from standard input until end of file, takes the selection, writes
/// "ready PID\n" to standard output, and ends the process with status 0 once the selection
/// is no longer its own (another program took it, or it was cleared). Status 1 when there is
/// no X server or the selection could not be taken; returns 2 on bad usage.
int clipboardHolderMain(int argc, char *argv[]);

/// Whether DISPLAY names an X server that accepts connections.
bool x11DisplayAvailable();

/// Whether this process's QGuiApplication on X11 owns the selection now, as the X server
/// says. QClipboard's own answer can be stale: Qt takes a selection whose new owner is
/// already gone for one it gave up itself.
bool guiOwnsSelection(ClipboardSelection selection);
