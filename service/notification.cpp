#include "notification.h"

#include "platform/localization.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace service {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");

// A server that takes longer is hung; the user is not kept waiting for it.
constexpr int CallTimeout = 2000;
constexpr int ExpireTimeout = 6000;
constexpr qsizetype MaxFormula = 80;

// A selection can be a whole page; the notification shows its start, on one line.
QString shortened(const QString &formula) {
    QString line = formula.simplified();
    if (line.size() <= MaxFormula)
        return line;
    qsizetype cut = MaxFormula - 1;
    if (line.at(cut - 1).isHighSurrogate())
        --cut;
    line.truncate(cut);
    return line + u'…';
}

// Servers that read markup take "<", ">" and "&" as its syntax.
QString escaped(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c == u'<')
            out += QStringLiteral("&lt;");
        else if (c == u'>')
            out += QStringLiteral("&gt;");
        else
            out += c;
    }
    return out;
}

QDBusMessage callServer(const QDBusConnection &bus, const QString &method,
                        const QList<QVariant> &arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, CallTimeout);
}

} // namespace

bool notifyFailure(const QString &formula, const QString &message) {
    return notifyFailure(QDBusConnection::sessionBus(), formula, message);
}

bool notifyFailure(const QDBusConnection &bus, const QString &formula, const QString &message) {
    if (!bus.isConnected())
        return false;
    // Asking first tells whether anybody is there, and whether the body is read as markup.
    const QDBusMessage capabilities = callServer(bus, QStringLiteral("GetCapabilities"));
    if (capabilities.type() != QDBusMessage::ReplyMessage)
        return false;
    const bool markup =
        capabilities.arguments().value(0).toStringList().contains(QStringLiteral("body-markup"));
    QString body = formula.isEmpty() ? message : shortened(formula) + u'\n' + message;
    if (markup)
        body = escaped(body);
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("sumwise")}};
    const QDBusMessage reply =
        callServer(bus, QStringLiteral("Notify"),
                   {QStringLiteral("Sumwise"), 0u, QStringLiteral("sumwise"),
                    platform::localizedString("Sumwise cannot calculate this"), body, QStringList(),
                    hints, ExpireTimeout});
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace service
