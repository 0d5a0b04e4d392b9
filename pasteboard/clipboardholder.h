// Keeping the desktop clipboard's contents alive after the writing process ends.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

/// Which X11 selection: the clipboard, or what the user has highlighted.
enum class ClipboardSelection { Clipboard, Primary };

/// One form of the contents: an X11 target name (a MIME type or a name such as UTF8_STRING)
/// and its bytes.
struct Flavour {
    QByteArray target;
    QByteArray data;
    friend bool operator==(const Flavour &, const Flavour &) = default;
};
using Flavours = QList<Flavour>;

/// Plain text under every name programs ask for it: UTF8_STRING, text/plain;charset=utf-8,
/// text/plain, TEXT (UTF-8), STRING (Latin-1, other characters as '?'),
/// text/plain;charset=utf-16 and text/html (the text escaped, for readers that still ask for
/// the previous owner's HTML).
Flavours textFlavours(QStringView text);
/// RTF as text/rtf and application/rtf, then the plain forms of its characters.
Flavours richTextFlavours(const QByteArray &rtf, QStringView plain);

/// Which display server a holder serves.
enum class DisplaySession { X11, Wayland };

/// Where a request to a clipboard manager to save the contents stands.
enum class ManagerSave { NotAsked, NoManager, Pending, Saved, Refused };

/// What a holder offers, and whether it gives the selection back afterwards.
struct HoldRequest {
    ClipboardSelection selection = ClipboardSelection::Clipboard;
    DisplaySession session = DisplaySession::X11;
    Flavours flavours;           // offered first
    bool restore = false;        // give the previous contents back once the paste was served
    Flavours previous;           // with restore: offered afterwards; empty: give the selection up
    int restoreTimeoutMs = 2000; // restore after this even if nobody fetched the data
};

/// Hands the request to a background process that owns the selection until another program
/// takes it over (the way xclip and wl-copy work). Returns once the holder owns the selection
/// (false: no X server, or no Wayland compositor with data-control for a Wayland request, or
/// it could not take the selection). With restore, "served" means a
/// program other than the clipboard manager fetched a content flavour to its end; the holder
/// switches to previous once requests have stopped for a moment.
/// The holder runs this executable, whose main() must hand "--hold-clipboard" to
/// clipboardHolderMain() before anything else. It is detached: its own session, standard
/// streams on /dev/null, not a child of the caller. holderPid, when given, receives its id.
bool holdClipboard(const HoldRequest &request, qint64 *holderPid = nullptr);

/// The next holdClipboard sends its request to this holder (started by
/// platform::startDetached("--hold-clipboard"), perhaps by the process that executed this one)
/// before starting one; it exits unused when the channel closes.
void adoptClipboardHolder(int channel);

/// Starts a holder ahead of the next holdClipboard, unless one waits already: a process that
/// will hold the clipboard soon spares the request the holder's start.
void prepareClipboardHolder();

/// One canonical pasteboard type: plain text and RTF with all their forms (see textFlavours
/// and richTextFlavours), any other type under its names.
bool holdClipboard(const QString &type, const QByteArray &data,
                   ClipboardSelection selection = ClipboardSelection::Clipboard,
                   qint64 *holderPid = nullptr);

/// The request as the holder reads it on standard input.
QByteArray encodeHoldRequest(const HoldRequest &request);
/// nullopt for anything encodeHoldRequest cannot have written, or a request that offers
/// nothing, names a target empty or one the holder answers itself (TARGETS, TIMESTAMP,
/// MULTIPLE, SAVE_TARGETS, INCR), or has previous contents without restore.
std::optional<HoldRequest> decodeHoldRequest(const QByteArray &bytes);

/// The body of that background process ("sumwise --hold-clipboard"): reads its request from
/// standard input until end of file, takes the selection, writes "ready PID\n" to standard
/// output, and ends the process with status 0 once the selection is no longer its own
/// (another program took it, it gave it up, or a clipboard manager saved it). Status 1 when
/// there is no display server or the selection could not be taken; 2 on bad usage or a malformed
/// request, without taking anything. Starts no Qt GUI: it speaks to the server over xcb or
/// libwayland.
int clipboardHolderMain(int argc, char *argv[]);

/// Whether DISPLAY names an X server that accepts connections.
bool x11DisplayAvailable();

/// Whether this process's QGuiApplication on X11 owns the selection now, as the X server
/// says. QClipboard's own answer can be stale: Qt takes a selection whose new owner is
/// already gone for one it gave up itself.
bool guiOwnsSelection(ClipboardSelection selection);
