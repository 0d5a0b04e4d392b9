#include "lockfiles.h"

#include "fileoperations.h"
#include "pathcomponents.h"
#include "propertylist.h"

#include "platform/fdio.h"

#include <QFile>
#include <QRandomGenerator>
#include <QVariantMap>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace filelib {

namespace {

// Creates path exclusively with data in it; errno tells why when it fails.
bool createExclusively(const QByteArray &path, const QByteArray &data) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = platform::writeAll(fd, data);
    const int saved = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.constData());
        errno = written ? EIO : saved;
        return false;
    }
    return true;
}

bool heldBySomeone(const QString &lockPath) {
    bool isDictionary = false;
    readPropertyListDictionary(lockPath, &isDictionary);
    return isDictionary;
}

// A complete lock file under a fresh name beside the lock; empty when none could be made.
QByteArray writeTemporary(const QByteArray &lock, const QByteArray &data) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name = lock + '.' + QByteArray::number(processNumber()) + '.'
                                + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        if (createExclusively(name, data))
            return name;
        if (errno != EEXIST)
            break;
    }
    return QByteArray();
}

// Where link(2) is missing, O_EXCL still keeps two takers apart.
QString takeWithoutLink(const QString &lockPath, const QByteArray &lock, const QByteArray &data,
                        Override override) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (createExclusively(lock, data))
            return lockPath;
        if (errno != EEXIST || (override == Override::No && heldBySomeone(lockPath))
            || ::unlink(lock.constData()) != 0)
            return QString();
    }
    return QString();
}

// Replaces a stale lock file with the complete one at temporary. Takers of a stale lock are
// kept apart by an flock on the folder: each one looks again under it, so only the first finds
// the stale file and renames over it; the others find the fresh lock and are refused. Without
// the flock, removing the stale file and linking anew let a late taker remove a fresh lock.
bool replaceStale(const QString &lockPath, const QByteArray &lock, const QByteArray &temporary) {
    const QByteArray folder = QFile::encodeName(stringByDeletingLastPathComponent(lockPath));
    const int fd =
        ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool replaced = false;
    int locked;
    while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked == 0) {
        struct stat st;
        // Gone meanwhile (its owner released it): the link decides as for a fresh lock.
        if (::lstat(lock.constData(), &st) != 0)
            replaced = errno == ENOENT && ::link(temporary.constData(), lock.constData()) == 0;
        else if (!heldBySomeone(lockPath))
            replaced = ::rename(temporary.constData(), lock.constData()) == 0;
    }
    ::close(fd);
    return replaced;
}

} // namespace

QString userName() {
    const uid_t uid = ::geteuid();
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 16384));
    passwd entry{};
    passwd *found = nullptr;
    while (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (found && found->pw_name && *found->pw_name)
        return QFile::decodeName(found->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QString::number(uid) : user;
}

qint32 processNumber() {
    return qint32(::getpid());
}

QString lockFileAtPath(const QString &path, Override override) {
    if (path.contains(QChar(u'\0')))
        return QString();
    const QString lockPath = stringByAppendingPathExtension(path, u"lock");
    if (lockPath.isEmpty() || !createPathToFile(lockPath))
        return QString();
    const QByteArray data =
        propertyListData(QVariantMap{{QStringLiteral("userName"), userName()},
                                     {QStringLiteral("processNumber"), qint64(processNumber())}});
    const QByteArray lock = QFile::encodeName(lockPath);
    const QByteArray temporary = writeTemporary(lock, data);
    if (temporary.isEmpty())
        return QString();
    QString taken;
    if (override == Override::Yes) {
        if (::rename(temporary.constData(), lock.constData()) == 0)
            return lockPath;
    } else {
        if (::link(temporary.constData(), lock.constData()) == 0) {
            taken = lockPath;
        } else if (errno != EEXIST) {
            ::unlink(temporary.constData());
            return takeWithoutLink(lockPath, lock, data, override);
        } else if (!heldBySomeone(lockPath) && replaceStale(lockPath, lock, temporary)) {
            taken = lockPath;
        }
    }
    ::unlink(temporary.constData());
    return taken;
}

bool unlockFileAtPath(const QString &lockPath) {
    if (lockPath.isEmpty())
        return false;
    bool isDictionary = false;
    const QVariantMap lock = readPropertyListDictionary(lockPath, &isDictionary);
    if (!isDictionary)
        return false;
    const QVariant user = lock.value(QStringLiteral("userName"));
    const QVariant number = lock.value(QStringLiteral("processNumber"));
    if (user.typeId() != QMetaType::QString || user.toString() != userName())
        return false;
    // Compared as 32 bits, as the lock's writer may have stored the id in a wider type.
    qint64 owner = 0;
    if (number.typeId() == QMetaType::LongLong || number.typeId() == QMetaType::ULongLong)
        owner = qint64(number.toULongLong());
    else if (number.typeId() == QMetaType::Double && std::abs(number.toDouble()) < 9.0e18)
        owner = qint64(number.toDouble());
    else
        return false;
    if (qint32(owner) != processNumber())
        return false;
    return removePath(lockPath);
}

} // namespace filelib
