#include "resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QString dataPath(const QString &relativePath) {
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString path = bin.absoluteFilePath(QStringLiteral("../share/sumwise/") + relativePath);
    return QFileInfo::exists(path) ? QDir::cleanPath(path) : QString();
}

} // namespace platform
