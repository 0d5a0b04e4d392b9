#include "desktop.h"

#include "clipboard.h"
#include "pasteboard.h"
#include "waylanddesktop.h"
#include "x11desktop.h"

#include <algorithm>

namespace {

// Targets that describe a selection rather than hold its contents.
constexpr const char *MetaTargets[] = {"TARGETS",         "MULTIPLE", "TIMESTAMP",
                                       "SAVE_TARGETS",    "DELETE",   "INSERT_SELECTION",
                                       "INSERT_PROPERTY", "INCR",     "_GTK_SELECTION_ID"};

} // namespace

std::unique_ptr<Desktop> Desktop::open(QString *missing) {
    QString wayland;
    if (std::unique_ptr<Desktop> desktop = WaylandDesktop::open(&wayland))
        return desktop;
    if (std::unique_ptr<Desktop> desktop = X11Desktop::open()) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            desktop->m_nativeWindowsMissing = wayland;
        return desktop;
    }
    if (missing) {
        *missing = qEnvironmentVariableIsEmpty("DISPLAY")
                       ? wayland
                       : QStringLiteral("the X server named by DISPLAY cannot be reached");
    }
    return nullptr;
}

std::pair<QString, QByteArray> Desktop::readFirstOf(ClipboardSelection selection,
                                                    const QStringList &wanted) {
    const QStringList offered = targets(selection);
    for (const QString &type : wanted) {
        for (const QString &name : desktopNamesFor(type, offered)) {
            QByteArray data = convert(selection, name.toLatin1());
            if (data.isNull())
                continue;
            if (name == u"STRING")
                data = QString::fromLatin1(data).toUtf8();
            return {PasteboardType::canonical(type), data};
        }
    }
    return {};
}

Flavours Desktop::saveFlavours(ClipboardSelection selection) {
    Flavours flavours;
    for (const QString &name : targets(selection)) {
        const QByteArray target = name.toLatin1();
        if (std::any_of(std::begin(MetaTargets), std::end(MetaTargets),
                        [&](const char *meta) { return target == meta; }))
            continue;
        const QByteArray data = convert(selection, target);
        if (!data.isNull())
            flavours.append({target, data});
    }
    return flavours;
}
