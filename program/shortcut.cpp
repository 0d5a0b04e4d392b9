#include "shortcut.h"

#include "pasteboard/clipboard.h"
#include "pasteboard/pasteboard.h"
#include "pasteboard/x11desktop.h"
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

// Where there is no X server the desktop's own tools carry the selection and the result;
// nothing can be pasted for the user.
FilterResult withoutX11(const ServiceCommand &command) {
    QMap<QString, QByteArray> flavours;
    const Pasteboard &primary = Pasteboard::selectionPasteboard();
    for (const QString &type : primary.types())
        flavours.insert(type, primary.dataForType(type));
    const ServiceOutcome outcome = serveRequest(command.service, flavours);
    if (!outcome.error.isEmpty())
        return failure(QString::fromUtf8(flavours.value(PasteboardType::String)),
                       withoutPrefix(outcome.error));
    if (!replacesSelection(command.service))
        return {};
    const auto [type, data] = writtenFlavour(outcome.pboard);
    Pasteboard &clipboard = Pasteboard::generalPasteboard();
    clipboard.declareTypes({type});
    if (!clipboard.setData(data, type))
        return {{}, "Error: the clipboard cannot be written\n", 1};
    return {};
}

// The focused window's selection: PRIMARY when its client owns it, else what the window
// copies on request, after saving the clipboard that copy replaces. False when the window
// did not copy.
bool takeSelection(X11Desktop &desktop, const QStringList &wanted, const QString &copyKey,
                   std::pair<QString, QByteArray> *selection, Flavours *previous, bool *saved,
                   bool *copied) {
    if (desktop.ownedByActiveClient(ClipboardSelection::Primary))
        *selection = desktop.readFirstOf(ClipboardSelection::Primary, wanted);
    if (!selection->second.isEmpty())
        return true;
    *previous = desktop.saveFlavours(ClipboardSelection::Clipboard);
    *saved = true;
    if (!desktop.watch(ClipboardSelection::Clipboard) || !desktop.sendChord(copyKey)
        || !desktop.waitForNewOwner(QDeadlineTimer(CopyTimeoutMs)))
        return false;
    *copied = true;
    if (desktop.ownedByActiveClient(ClipboardSelection::Clipboard))
        *selection = desktop.readFirstOf(ClipboardSelection::Clipboard, wanted);
    return true;
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

FilterResult runOnSelection(const ServiceCommand &command) {
    const std::unique_ptr<X11Desktop> desktop = X11Desktop::open();
    if (!desktop)
        return withoutX11(command);

    // Keys synthesized while the shortcut's Ctrl or Alt is still down would make other chords.
    if (!desktop->waitForModifiersReleased(QDeadlineTimer(ReleaseTimeoutMs))) {
        platform::beep();
        return failure(QString(), platform::localizedString(KeysHeld));
    }
    const bool terminal = isTerminal(desktop->activeWindowClass());
    const QString copyKey = terminal ? QStringLiteral("ctrl+shift+c") : QStringLiteral("ctrl+c");
    const QString pasteKey = !command.pasteKey.isEmpty() ? command.pasteKey
                             : terminal                  ? QStringLiteral("ctrl+shift+v")
                                                         : QStringLiteral("ctrl+v");
    const bool add = command.service == ServiceName::Add;
    // Only Add keeps formatting; the others need the characters alone.
    const QStringList wanted =
        add ? QStringList{PasteboardType::RTFD, PasteboardType::RTF, PasteboardType::String}
            : QStringList{PasteboardType::String};

    // PRIMARY can be stale or another window's; only the focused client's is the selection.
    Flavours previous;
    bool saved = false;
    bool copied = false;
    std::pair<QString, QByteArray> selection;
    if (!takeSelection(*desktop, wanted, copyKey, &selection, &previous, &saved, &copied)) {
        platform::beep();
        return failure(QString(), platform::localizedString(NothingSelected));
    }
    // Gives the clipboard back as it was before the copy request.
    auto restore = [&] {
        if (!copied)
            return;
        if (previous.isEmpty())
            desktop->clearSelection(ClipboardSelection::Clipboard);
        else
            holdClipboard(onClipboard(previous));
    };
    if (selection.second.isEmpty()) {
        restore();
        platform::beep();
        return failure(QString(), platform::localizedString(NothingSelected));
    }

    auto [type, data] = selection;
    QByteArray lineBreak;
    if (type == PasteboardType::String) {
        lineBreak = trailingLineBreak(data);
        data.chop(lineBreak.size());
    }
    const QString formula = plainText(type, data);
    // Show's panel may copy its result while it is open; give the clipboard back first.
    if (command.service == ServiceName::Show)
        restore();

    const ServiceOutcome outcome = serveRequest(command.service, {{type, data}});
    if (!outcome.error.isEmpty()) {
        if (command.paste) {
            restore();
        } else {
            // A paste then puts the formula back where it was.
            holdClipboard(onClipboard(flavoursOf(type, data + lineBreak)));
        }
        return failure(formula, withoutPrefix(outcome.error));
    }
    if (!replacesSelection(command.service))
        return {};

    auto [resultType, result] = writtenFlavour(outcome.pboard);
    if (resultType == PasteboardType::String)
        result += lineBreak;
    HoldRequest hold = onClipboard(flavoursOf(resultType, result));
    if (!command.paste) {
        if (!holdClipboard(hold))
            return failure(formula, QStringLiteral("the clipboard cannot be written"));
        return {};
    }
    if (!saved)
        previous = desktop->saveFlavours(ClipboardSelection::Clipboard);
    hold.restore = true;
    hold.previous = previous;
    if (!holdClipboard(hold))
        return failure(formula, QStringLiteral("the clipboard cannot be written"));
    if (!desktop->sendChord(pasteKey)) {
        // The result stays on the clipboard for the user to paste.
        hold.restore = false;
        holdClipboard(hold);
        return failure(formula, platform::localizedString(NotPasted).arg(pasteKey));
    }
    return {};
}
