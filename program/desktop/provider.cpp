#include "provider.h"

#include "pasteboard/clipboardholder.h"
#include "pasteboard/pasteboard.h"
#include "platform/localization.h"
#include "platform/userdefaults.h"
#include "searchproviders.h"
#include "service/sumwise.h"
#include "shortcut.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace {

QMap<QString, QByteArray> toFlavours(const QVariantMap &map) {
    QMap<QString, QByteArray> flavours;
    for (auto it = map.begin(); it != map.end(); ++it)
        flavours.insert(it.key(), it.value().toByteArray());
    return flavours;
}

QVariantMap toVariantMap(const QMap<QString, QByteArray> &flavours) {
    QVariantMap map;
    for (auto it = flavours.begin(); it != flavours.end(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

} // namespace

ServiceProvider::ServiceProvider(Sumwise &sumwise, QObject *parent)
    : QObject(parent)
    , m_sumwise(sumwise) {
}

QVariantMap ServiceProvider::serve(Entry entry, const QVariantMap &map, const QString &userData,
                                   const platform::RequestLocale *locale) {
    // For this request only: the next may come from a user in another language.
    std::optional<platform::LocaleScope> scope;
    if (locale)
        scope.emplace(*locale);
    // Another process may have stored a variable since the last request.
    UserDefaults::standardUserDefaults().reloadIfChanged();
    MemoryPasteboard pboard = MemoryPasteboard::fromMimeData(toFlavours(map));
    QString error;
    (m_sumwise.*entry)(pboard, userData, &error);
    if (!error.isEmpty()) {
        sendErrorReply(Bus::Error, error);
        return {};
    }
    return toVariantMap(pboard.toMimeData());
}

QVariantMap ServiceProvider::doCalcSubstituteService(const QVariantMap &pboard,
                                                     const QString &userData) {
    return serve(&Sumwise::doCalcSubstituteService, pboard, userData);
}

QVariantMap ServiceProvider::doCalcAddService(const QVariantMap &pboard, const QString &userData) {
    return serve(&Sumwise::doCalcAddService, pboard, userData);
}

QVariantMap ServiceProvider::doCalcShowService(const QVariantMap &pboard, const QString &userData) {
    return serve(&Sumwise::doCalcShowService, pboard, userData);
}

QVariantMap ServiceProvider::doCalcCopyService(const QVariantMap &pboard, const QString &userData) {
    return serve(&Sumwise::doCalcCopyService, pboard, userData);
}

QVariantMap ServiceProvider::doCalcSubstituteService(const QVariantMap &pboard,
                                                     const QString &userData,
                                                     const QString &numbers,
                                                     const QStringList &languages) {
    const platform::RequestLocale locale{numbers, languages};
    return serve(&Sumwise::doCalcSubstituteService, pboard, userData, &locale);
}

QVariantMap ServiceProvider::doCalcAddService(const QVariantMap &pboard, const QString &userData,
                                              const QString &numbers,
                                              const QStringList &languages) {
    const platform::RequestLocale locale{numbers, languages};
    return serve(&Sumwise::doCalcAddService, pboard, userData, &locale);
}

QVariantMap ServiceProvider::doCalcShowService(const QVariantMap &pboard, const QString &userData,
                                               const QString &numbers,
                                               const QStringList &languages) {
    const platform::RequestLocale locale{numbers, languages};
    return serve(&Sumwise::doCalcShowService, pboard, userData, &locale);
}

QVariantMap ServiceProvider::doCalcCopyService(const QVariantMap &pboard, const QString &userData,
                                               const QString &numbers,
                                               const QStringList &languages) {
    const platform::RequestLocale locale{numbers, languages};
    return serve(&Sumwise::doCalcCopyService, pboard, userData, &locale);
}

int ServiceProvider::runOnSelection(const QString &service, bool paste, const QString &pasteKey,
                                    const QString &display, const QString &waylandDisplay,
                                    const QString &numbers, const QStringList &languages,
                                    QString &error) {
    if (display != qEnvironmentVariable("DISPLAY")
        || waylandDisplay != qEnvironmentVariable("WAYLAND_DISPLAY")) {
        sendErrorReply(Bus::OtherDisplayError,
                       QStringLiteral("the provider runs on another display"));
        return 0;
    }
    const std::optional<ServiceName> name = serviceNamed(service);
    if (!name) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such service: %1").arg(service));
        return 0;
    }
    ServiceCommand command;
    command.service = *name;
    command.selection = true;
    command.paste = paste;
    command.pasteKey = pasteKey;
    const platform::LocaleScope scope(platform::RequestLocale{numbers, languages});
    UserDefaults::standardUserDefaults().reloadIfChanged();
    const FilterResult result = ::runOnSelection(command, &m_sumwise);
    // The next request's holder starts now rather than when it is needed.
    prepareClipboardHolder();
    error = QString::fromUtf8(result.error);
    return result.status;
}

void (Sumwise::*serviceEntry(ServiceName service))(Pasteboard &, const QString &, QString *) {
    switch (service) {
    case ServiceName::Substitute:
        return &Sumwise::doCalcSubstituteService;
    case ServiceName::Add:
        return &Sumwise::doCalcAddService;
    case ServiceName::Show:
        return &Sumwise::doCalcShowService;
    case ServiceName::Copy:
        break;
    }
    return &Sumwise::doCalcCopyService;
}

int runProvider(Sumwise &sumwise) {
    QDBusConnection bus = Bus::sessionBus();
    ServiceProvider provider(sumwise);
    bus.registerObject(Bus::Path, &provider, QDBusConnection::ExportAllSlots);
    SearchEvaluator evaluator(sumwise, UserDefaults::standardUserDefaults().fileName());
    ShellSearchProvider shellSearch(evaluator, sumwise);
    KRunnerProvider runner(evaluator, sumwise);
    bus.registerObject(Bus::SearchProviderPath, &shellSearch, QDBusConnection::ExportAllSlots);
    bus.registerObject(Bus::KRunnerPath, &runner, QDBusConnection::ExportAllSlots);
    // Whether or not the bus took the name, the slices run as usual.
    bus.registerService(Bus::Name);
    prepareClipboardHolder();

    for (int slice = 0; slice < 5; ++slice) {
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        if (sumwise.terminationRequested() || sumwise.launchedAsApplication())
            break;
    }

    bus.unregisterService(Bus::Name);
    // Calls that reached us before the name was released are answered, not dropped; later
    // ones start a new provider.
    QCoreApplication::processEvents();
    bus.unregisterObject(Bus::KRunnerPath);
    bus.unregisterObject(Bus::SearchProviderPath);
    bus.unregisterObject(Bus::Path);
    return 0;
}
