#include "shortcut.h"

#include "pasteboard/clipboard.h"
#include "pasteboard/desktop.h"
#include "pasteboard/pasteboard.h"
#include "service/notification.h"

#include "platform/gui/beep.h"
#include "platform/localization.h"
#include "platform/userdefaults.h"
#include "styledtext/attributedstring.h"

namespace {

constexpr char NothingSelected[] =
    QT_TRANSLATE_NOOP("Localizable", "Nothing is selected in the window you are typing in");
constexpr char KeysHeld[] =
    QT_TRANSLATE_NOOP("Localizable", "The keys of the shortcut were not released");
constexpr char NoRoute[] = QT_TRANSLATE_NOOP("Localizable", "The selection cannot be reached: %1");
constexpr char NotPasted[] =
    QT_TRANSLATE_NOOP("Localizable", "The result is on the clipboard: paste it with %1");

// Long enough for the user to let go of a shortcut; a key still held then is stuck.
constexpr int ReleaseTimeoutMs = 5000;
// How long the focused window may take to answer a copy request.
constexpr int CopyTimeoutMs = 1000;

const QStringList KnownTerminals = {QStringLiteral("gnome-terminal"),
                                    QStringLiteral("gnome-terminal-server"),
                                    QStringLiteral("mate-terminal"),
                                    QStringLiteral("xfce4-terminal"),
                                    QStringLiteral("tilix"),
                                    QStringLiteral("terminator"),
                                    QStringLiteral("lxterminal"),
                                    QStringLiteral("qterminal"),
                                    QStringLiteral("konsole"),
                                    QStringLiteral("yakuake"),
                                    QStringLiteral("alacritty"),
                                    QStringLiteral("kitty"),
                                    QStringLiteral("wezterm"),
                                    QStringLiteral("foot"),
                                    QStringLiteral("st-256color"),
                                    QStringLiteral("sakura"),
                                    QStringLiteral("terminology"),
                                    QStringLiteral("guake"),
                                    QStringLiteral("kgx"),
                                    QStringLiteral("ptyxis")};

QString withoutPrefix(const QString &error) {
    return error.startsWith(u"Error: ") ? error.mid(7) : error;
}

// Shown where the user looks, since standard error goes to a log under a shortcut daemon.
FilterResult failure(const QString &formula, const QString &message) {
    service::notifyFailure(formula, message);
    return {{}, QStringLiteral("Error: %1\n").arg(message).toUtf8(), 1};
}

QString plainText(const QString &type, const QByteArray &data) {
    if (type == PasteboardType::String)
        return QString::fromUtf8(data);
    const std::optional<AttributedString> styled = type == PasteboardType::RTFD
                                                       ? AttributedString::fromRTFD(data)
                                                       : AttributedString::fromRTF(data);
    return styled ? styled->string() : QString();
}

// Rich text goes with a plain form, for applications that cannot paste rich text.
Flavours flavoursOf(const QString &type, const QByteArray &data) {
    if (type == PasteboardType::String)
        return textFlavours(QString::fromUtf8(data));
    return richTextFlavours(data, plainText(type, data));
}

HoldRequest onClipboard(Flavours flavours) {
    HoldRequest request;
    request.flavours = std::move(flavours);
    return request;
}

// What the routine took from the focused window, and what it owes the clipboard.
struct Taken {
    std::pair<QString, QByteArray> selection;
    Flavours previous; // the clipboard before the copy request
    bool saved = false;
    bool copied = false;
};

// The focused window's selection: PRIMARY when its client owns it, else what the window
// copies on request, after saving the clipboard that copy replaces. False when the window
// did not copy.
bool takeSelection(Desktop &desktop, const QStringList &wanted, const QString &copyKey,
                   Taken *taken) {
    if (desktop.ownedByActiveClient(ClipboardSelection::Primary))
        taken->selection = desktop.readFirstOf(ClipboardSelection::Primary, wanted);
    if (!taken->selection.second.isEmpty())
        return true;
    taken->previous = desktop.saveFlavours(ClipboardSelection::Clipboard);
    taken->saved = true;
    if (!desktop.watch(ClipboardSelection::Clipboard) || !desktop.sendChord(copyKey)
        || !desktop.waitForNewOwner(QDeadlineTimer(CopyTimeoutMs)))
        return false;
    taken->copied = true;
    if (desktop.ownedByActiveClient(ClipboardSelection::Clipboard))
        taken->selection = desktop.readFirstOf(ClipboardSelection::Clipboard, wanted);
    return true;
}

// Gives the clipboard back as it was before the copy request.
void restore(Desktop &desktop, const Taken &taken) {
    if (!taken.copied)
        return;
    if (taken.previous.isEmpty())
        desktop.clearSelection(ClipboardSelection::Clipboard);
    else
        desktop.hold(onClipboard(taken.previous));
}

// Nothing was calculated.
FilterResult refused(const char *message) {
    platform::beep();
    return failure(QString(), platform::localizedString(message));
}

// Holds the result, pastes it, and has the holder give the clipboard back once it is served.
FilterResult pasteResult(Desktop &desktop, HoldRequest hold, Taken taken, const QString &pasteKey,
                         const QString &formula) {
    if (!taken.saved)
        taken.previous = desktop.saveFlavours(ClipboardSelection::Clipboard);
    hold.restore = true;
    hold.previous = taken.previous;
    if (!desktop.hold(hold))
        return failure(formula, QStringLiteral("the clipboard cannot be written"));
    if (!desktop.sendChord(pasteKey)) {
        // The result stays on the clipboard for the user to paste.
        hold.restore = false;
        desktop.hold(hold);
        return failure(formula, platform::localizedString(NotPasted).arg(pasteKey));
    }
    return {};
}

} // namespace

bool isTerminal(const QStringList &windowClass) {
    QStringList terminals = KnownTerminals;
    const QVariant configured =
        UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("TerminalClasses"));
    for (const QString &name : configured.toStringList())
        terminals.append(name.trimmed());
    for (const QString &name : windowClass) {
        if (terminals.contains(name, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

FilterResult runOnSelection(const ServiceCommand &command, Sumwise *sumwise) {
    if (command.holderChannel >= 0)
        adoptClipboardHolder(command.holderChannel);
    QString missing;
    const std::unique_ptr<Desktop> desktop = Desktop::open(&missing);
    if (!desktop) {
        platform::beep();
        return failure(QString(), platform::localizedString(NoRoute).arg(missing));
    }
    // Keys synthesized while the shortcut's Ctrl or Alt is still down would make other chords.
    if (!desktop->waitForModifiersReleased(QDeadlineTimer(ReleaseTimeoutMs)))
        return refused(KeysHeld);
    const bool terminal = isTerminal(desktop->activeWindowClass());
    const QString copyKey = terminal ? QStringLiteral("ctrl+shift+c") : QStringLiteral("ctrl+c");
    const QString pasteKey = !command.pasteKey.isEmpty() ? command.pasteKey
                             : terminal                  ? QStringLiteral("ctrl+shift+v")
                                                         : QStringLiteral("ctrl+v");
    // Only Add keeps formatting; the others need the characters alone.
    const QStringList wanted =
        command.service == ServiceName::Add
            ? QStringList{PasteboardType::RTFD, PasteboardType::RTF, PasteboardType::String}
            : QStringList{PasteboardType::String};

    // PRIMARY can be stale or another window's; only the focused client's is the selection.
    Taken taken;
    const bool took = takeSelection(*desktop, wanted, copyKey, &taken);
    if (!took || taken.selection.second.isEmpty()) {
        restore(*desktop, taken);
        // A Wayland window does not answer XWayland's keys.
        if (!desktop->nativeWindowsMissing().isEmpty()) {
            platform::beep();
            return failure(QString(),
                           platform::localizedString(NoRoute).arg(desktop->nativeWindowsMissing()));
        }
        return refused(NothingSelected);
    }
    auto [type, data] = taken.selection;
    QByteArray lineBreak;
    if (type == PasteboardType::String) {
        lineBreak = textservices::trailingLineBreak(data);
        data.chop(lineBreak.size());
    }
    const QString formula = plainText(type, data);
    // Show's panel may copy its result while it is open; give the clipboard back first.
    if (command.service == ServiceName::Show)
        restore(*desktop, taken);

    const ServiceOutcome outcome = sumwise ? serveWith(*sumwise, command.service, {{type, data}})
                                           : serveRequest(command, {{type, data}});
    if (!outcome.error.isEmpty()) {
        if (command.paste)
            restore(*desktop, taken);
        else // a paste then puts the formula back where it was
            desktop->hold(onClipboard(flavoursOf(type, data + lineBreak)));
        return failure(formula, withoutPrefix(outcome.error));
    }
    if (!replacesSelection(command.service))
        return {};

    auto [resultType, result] = writtenFlavour(outcome.pboard);
    if (resultType == PasteboardType::String)
        result += lineBreak;
    const HoldRequest hold = onClipboard(flavoursOf(resultType, result));
    if (command.paste)
        return pasteResult(*desktop, hold, taken, pasteKey, formula);
    if (!desktop->hold(hold))
        return failure(formula, QStringLiteral("the clipboard cannot be written"));
    return {};
}
