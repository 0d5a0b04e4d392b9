// The provider on the session bus: the four services as D-Bus methods.
#pragma once

#include "commands.h"

#include "program/bus/busclient.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace platform {
struct RequestLocale;
}

class Pasteboard;
class Sumwise;

/// A request's pasteboard travels as a map from MIME type to bytes, and comes back the same way.
/// With the requester's locale (the locale name of its numbers and its message languages, as
/// platform::RequestLocale holds them) the request is answered in it; without, in the provider's
/// own.
class ServiceProvider : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.sumwise.Sumwise")

public:
    explicit ServiceProvider(Sumwise &sumwise, QObject *parent = nullptr);

public Q_SLOTS:
    QVariantMap doCalcSubstituteService(const QVariantMap &pboard, const QString &userData);
    QVariantMap doCalcAddService(const QVariantMap &pboard, const QString &userData);
    QVariantMap doCalcShowService(const QVariantMap &pboard, const QString &userData);
    QVariantMap doCalcCopyService(const QVariantMap &pboard, const QString &userData);
    QVariantMap doCalcSubstituteService(const QVariantMap &pboard, const QString &userData,
                                        const QString &numbers, const QStringList &languages);
    QVariantMap doCalcAddService(const QVariantMap &pboard, const QString &userData,
                                 const QString &numbers, const QStringList &languages);
    QVariantMap doCalcShowService(const QVariantMap &pboard, const QString &userData,
                                  const QString &numbers, const QStringList &languages);
    QVariantMap doCalcCopyService(const QVariantMap &pboard, const QString &userData,
                                  const QString &numbers, const QStringList &languages);
    /// The keyboard-shortcut routine (the --selection request of a service)
    /// run here, where the desktop is loaded, for a requester on the same displays (else the
    /// OtherDisplay error); returns its exit status, *error its message.
    int runOnSelection(const QString &service, bool paste, const QString &pasteKey,
                       const QString &display, const QString &waylandDisplay,
                       const QString &numbers, const QStringList &languages, QString &error);

private:
    using Entry = void (Sumwise::*)(Pasteboard &, const QString &, QString *);
    QVariantMap serve(Entry entry, const QVariantMap &pboard, const QString &userData,
                      const platform::RequestLocale *locale = nullptr);

    Sumwise &m_sumwise;
};

/// Serves requests (the services and desktop search) on the session bus in one-second slices,
/// at most five, as the provider application; shows the launch panel when nothing came in the
/// first slice. Returns 0.
int runProvider(Sumwise &sumwise);

/// The service object's entry for a service.
void (Sumwise::*serviceEntry(ServiceName service))(Pasteboard &, const QString &, QString *);
