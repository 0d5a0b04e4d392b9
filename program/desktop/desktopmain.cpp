#include "program/moduleentries.h"

#include "commands.h"
#include "provider.h"

#include "platform/localization.h"
#include "service/alerts.h"
#include "service/sumwise.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMessageBox>

#include <cstdio>
#include <memory>

namespace {

bool namesDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Qt aborts when none of the platforms it is told to try starts. The session's displays
// come first and drawing nowhere last, so a missing plugin or an unreachable display costs
// the panels, not the program. Returns whether a display was wanted.
bool choosePlatforms() {
    QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
    const bool chosen = !platforms.isEmpty();
    if (!chosen) {
        // An unset WAYLAND_DISPLAY would still reach a compositor on "wayland-0".
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            platforms += "wayland;";
        if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            platforms += "xcb;";
    }
    bool drawsNowhere = false;
    for (const QByteArray &platform : platforms.split(';'))
        drawsNowhere = drawsNowhere || platform.startsWith("offscreen");
    if (!drawsNowhere)
        platforms += chosen ? ";offscreen" : "offscreen";
    qputenv("QT_QPA_PLATFORM", platforms);
    return chosen ? !platforms.startsWith("offscreen") : namesDisplay();
}

QString missingDisplayMessage() {
    QString message = QStringLiteral("no display could be opened (QT_QPA_PLATFORM=%1")
                          .arg(qEnvironmentVariable("QT_QPA_PLATFORM"));
    for (const char *name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            message +=
                QStringLiteral(", %1=%2").arg(QLatin1String(name), qEnvironmentVariable(name));
    }
    message += u')';
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && QDir(plugins + QStringLiteral("/platforms"))
               .entryList({QStringLiteral("libqwayland*")})
               .isEmpty())
        message += QStringLiteral("; Qt's Wayland platform plugin is not installed (Debian: "
                                  "qt6-wayland)");
    return message;
}

// Panels and the clipboard need a GUI application; plain filters start faster without one.
// *unseen is set when a display was wanted but panels would be drawn nowhere.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv, bool gui,
                                                  bool *unseen = nullptr) {
    if (gui) {
        const bool wanted = choosePlatforms();
        auto app = std::make_unique<QApplication>(argc, argv);
        const bool nowhere = QGuiApplication::platformName() == u"offscreen";
        if (unseen)
            *unseen = wanted && nowhere;
        if (wanted && nowhere)
            std::fprintf(stderr, "sumwise: %s\n", qUtf8Printable(missingDisplayMessage()));
        // Nobody can answer a panel drawn nowhere: say what it says and go on without an
        // answer instead of waiting for ever.
        if (nowhere && qEnvironmentVariableIsEmpty("SUMWISE_ALERT_ANSWER"))
            service::setAlertAnswerer([](QMessageBox &alert) {
                std::fprintf(stderr, "%s\n%s\n", qUtf8Printable(alert.text()),
                             qUtf8Printable(alert.informativeText()));
                return int(service::AlertNoAnswer);
            });
        return app;
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int runProviderApplication(int argc, char **argv) {
    const auto app = makeApplication(argc, argv, true);
    setApplicationNames();
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installTranslations();
    Sumwise sumwise;
    return runProvider(sumwise);
}

} // namespace

int sumwiseDesktopMain(int argc, char **argv, const ServiceCommand *command, FilterResult *result) {
    if (!command)
        return runProviderApplication(argc, argv);
    const bool gui = command->service == ServiceName::Show || command->service == ServiceName::Copy;
    bool unseen = false;
    const auto app = makeApplication(argc, argv, gui, &unseen);
    setApplicationNames();
    platform::installTranslations();
    // A panel nobody sees is no answer: the selection stays as it was.
    if (unseen && command->service == ServiceName::Show)
        *result = {command->fromArguments ? QByteArray() : command->input,
                   "Error: the panel cannot be shown without a display\n", 1};
    else
        *result = runServiceCommand(*command);
    return result->status;
}
