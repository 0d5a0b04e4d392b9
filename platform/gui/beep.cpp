#include "beep.h"

#include "platform/terminalbell.h"

#include <QApplication>
#include <QThread>

namespace platform {

namespace {

// Platforms that draw nowhere a user could hear or see a bell.
bool hasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != u"offscreen" && platform != u"minimal"
           && platform != u"minimalegl";
}

} // namespace

void beep() {
    const QCoreApplication *app = QCoreApplication::instance();
    if (qobject_cast<const QApplication *>(app) && QThread::currentThread() == app->thread()
        && hasDisplay()) {
        QApplication::beep();
        return;
    }
    terminalBell();
}

} // namespace platform
