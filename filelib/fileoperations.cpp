#include "fileoperations.h"

#include "pathcomponents.h"
#include "propertylist.h"

#include "textlib/systemlog.h"

#include <QFile>
#include <QFileInfo>

#include <cxxabi.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <typeinfo>

namespace fs = std::filesystem;

namespace filelib {

namespace {

// A NUL would cut the path short in every system call, so such a path names nothing.
bool usable(const QString &path) {
    return !path.isEmpty() && !path.contains(QChar(0));
}

fs::path fsPath(const QString &path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

// With a trailing slash the system resolves a symbolic link, so removal would reach its target.
QString withoutTrailingSlashes(const QString &path) {
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    return end == path.size() ? path : path.left(end);
}

// Only a missing entry counts as absent; a folder we may not search could still hold it.
bool existsNoFollow(const fs::path &path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

bool fail(QString *error, std::error_code ec) {
    if (error)
        *error = QString::fromStdString(ec.message());
    return false;
}

bool fail(QString *error, std::errc code) {
    return fail(error, std::make_error_code(code));
}

template<class F> bool guarded(QStringView operation, F &&body) {
    try {
        return body();
    } catch (const std::exception &e) {
        logException(operation, e);
        return false;
    }
}

QString demangled(const char *name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void *)> readable(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return QString::fromUtf8(status == 0 && readable ? readable.get() : name);
}

// Whether inner lies inside (or is) outer once links and dots are resolved.
bool isInside(const fs::path &inner, const fs::path &outer) {
    std::error_code ec;
    const fs::path o = fs::weakly_canonical(outer, ec);
    if (ec)
        return false;
    const fs::path i = fs::weakly_canonical(inner, ec);
    if (ec)
        return false;
    const fs::path rel = i.lexically_relative(o);
    return !rel.empty() && *rel.begin() != "..";
}

bool makeFolders(const QString &path, const FileAttributes &attributes) {
    std::vector<fs::path> missing;
    for (fs::path p = fsPath(withoutTrailingSlashes(path)); !p.empty() && !existsNoFollow(p);
         p = p.parent_path()) {
        missing.push_back(p);
        if (p == p.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0777) != 0 && !(errno == EEXIST && fs::is_directory(*it)))
            return false;
    }
    // Deepest first, so permissions without write access do not stop the folders below.
    if (attributes.permissions) {
        for (const fs::path &p : missing) {
            if (!QFile::setPermissions(QFile::decodeName(p.c_str()), *attributes.permissions))
                return false;
        }
    }
    return true;
}

// Gives every copied item the dates of its original, as the platform's copy does, so a mirror
// does not take each copy for newer. Folders last, as filling them changed theirs. Best effort:
// the content is there already, and a file system without such dates still holds a good copy.
void copyDates(const fs::path &source, const fs::path &destination) {
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        std::error_code ec;
        for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec))
            copyDates(it->path(), destination / it->path().filename());
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

bool isModifiedLater(const QString &source, const QString &destination) {
    std::error_code sourceError, destinationError;
    const auto sourceTime = fs::last_write_time(fsPath(source), sourceError);
    const auto destinationTime = fs::last_write_time(fsPath(destination), destinationError);
    if (sourceError)
        return false;
    return destinationError || sourceTime > destinationTime;
}

} // namespace

QString exceptionLogLine(QStringView operation, QStringView receiverClass, QStringView name,
                         QStringView reason, const QStringList &callStack) {
    return QStringLiteral("%1 (%2): %3\n%4\n%5")
        .arg(operation, receiverClass, name, reason, callStack.join(u'\n'));
}

void logException(QStringView operation, const std::exception &e) {
    textlib::systemLog(exceptionLogLine(operation, u"FileManager", demangled(typeid(e).name()),
                                        QString::fromLocal8Bit(e.what()), textlib::callStack()));
}

bool createFile(const QString &path) {
    if (!usable(path))
        return false;
    const QByteArray name = QFile::encodeName(path);
    // Only an item that is really there counts: a name too long or a folder we may not search
    // holds nothing we could use.
    struct stat st;
    if (::lstat(name.constData(), &st) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    // O_EXCL refuses to follow a symbolic link, so a dangling one is not brought to life.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST; // made by someone else meanwhile
    return ::close(fd) == 0;
}

bool createPathAndFile(const QString &path) {
    return createPathToFile(path) && createFile(path);
}

bool createPath(const QString &path, const FileAttributes &attributes) {
    if (!usable(path))
        return false;
    const fs::path p = fsPath(path);
    if (existsNoFollow(p)) {
        std::error_code ec;
        return fs::is_directory(p, ec);
    }
    return makeFolders(path, attributes);
}

bool createPathToFile(const QString &path, const FileAttributes &attributes) {
    if (!usable(path))
        return false;
    const QString parent = stringByDeletingLastPathComponent(path);
    return parent.isEmpty() || createPath(parent, attributes);
}

bool createPathAndWriteObject(const QVariant &object, const QString &path, Atomically atomically) {
    // Converted first, so a rejected object leaves no new folders behind.
    const QByteArray xml = object.isValid() ? propertyListData(object) : QByteArray();
    if (xml.isNull() || !usable(path) || !createPathToFile(path))
        return false;
    return writeDataToPath(xml, path, atomically);
}

bool createPath(const QString &path, const QString &previousPath) {
    if (!usable(path) || existsNoFollow(fsPath(path)))
        return false;
    if (usable(previousPath) && QFileInfo(previousPath).isDir())
        return movePath(previousPath, path);
    return createPath(path);
}

bool createWritableTemporaryPath(const QString &path) {
    if (!usable(path))
        return false;
    removePath(path);
    return createPath(path) && ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

bool copyPath(const QString &source, const QString &destination, QString *error) {
    if (error)
        *error = QString();
    if (!usable(source) || !usable(destination))
        return fail(error, std::errc::invalid_argument);
    return guarded(u"copyPath", [&] {
        const fs::path s = fsPath(source), d = fsPath(destination);
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(s, ec);
        if (ec)
            return fail(error, ec);
        if (existsNoFollow(d))
            return fail(error, std::errc::file_exists);
        // Copying a folder into itself would recurse until the path grows too long.
        if (fs::is_directory(status) && isInside(d, s))
            return fail(error, std::errc::invalid_argument);
        fs::copy(s, d, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (ec)
            return fail(error, ec);
        copyDates(s, d);
        return true;
    });
}

bool movePath(const QString &source, const QString &destination, QString *error) {
    if (error)
        *error = QString();
    if (!usable(source) || !usable(destination))
        return fail(error, std::errc::invalid_argument);
    return guarded(u"movePath", [&] {
        const fs::path s = fsPath(source), d = fsPath(destination);
        // rename(2) would silently replace a file or an empty folder there.
        if (existsNoFollow(d))
            return fail(error, std::errc::file_exists);
        if (::rename(s.c_str(), d.c_str()) == 0)
            return true;
        if (errno != EXDEV)
            return fail(error, std::error_code(errno, std::generic_category()));
        return copyPath(source, destination, error) && removePath(source, error);
    });
}

bool renamePath(const QString &path, const QString &newName) {
    if (!usable(path) || newName.isEmpty() || newName.contains(u'/') || newName == u"."
        || newName == u"..")
        return false;
    return movePath(path,
                    stringByAppendingPathComponent(
                        stringByDeletingLastPathComponent(withoutTrailingSlashes(path)), newName));
}

bool removePath(const QString &path, QString *error) {
    if (error)
        *error = QString();
    if (!usable(path))
        return false;
    return guarded(u"removePath", [&] {
        const QString target = withoutTrailingSlashes(path);
        const fs::path p = fsPath(target);
        std::error_code ec;
        fs::remove_all(p, ec);
        if (!ec || !existsNoFollow(p) || unlinkFileAtPath(target))
            return true;
        textlib::systemLog(QStringLiteral("Couldn't remove path %1").arg(path));
        return fail(error, ec);
    });
}

bool unlinkFileAtPath(const QString &path) {
    if (!usable(path))
        return false;
    QByteArray name;
    try {
        name = QFile::encodeName(path);
    } catch (const std::exception &e) {
        textlib::systemLog(
            QStringLiteral("getFileSystemRepresentation '%1':\n%2\n%3")
                .arg(path, demangled(typeid(e).name()), QString::fromLocal8Bit(e.what())));
        return false;
    }
    return ::unlink(name.constData()) == 0;
}

bool writeData(const QByteArray &data, const QString &path, Append append) {
    if (data.isNull() || !usable(path) || !createFile(path))
        return false;
    // Opened without O_CREAT: createFile() made what may be made, and a dangling link it left
    // alone must not come to life through the write.
    const int fd =
        ::open(QFile::encodeName(path).constData(),
               O_WRONLY | O_NOCTTY | O_CLOEXEC | (append == Append::Yes ? O_APPEND : O_TRUNC));
    if (fd < 0)
        return false;
    try {
        QFile file;
        const QIODevice::OpenMode mode =
            append == Append::Yes ? QIODevice::Append : QIODevice::Truncate;
        if (!file.open(fd, QIODevice::WriteOnly | mode, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return false;
        }
        if (file.write(data) != data.size() || !file.flush())
            return false;
        file.close();
        return file.error() == QFileDevice::NoError;
    } catch (const std::exception &e) {
        logException(u"writeData", e);
        return false;
    }
}

bool writeString(const QString &text, const QString &path, Append append) {
    if (text.isEmpty())
        return false;
    return writeData(text.toUtf8(), path, append);
}

bool updatePath(const QString &source, const QString &destination, Overwrite overwrite,
                HideExtensions hideExtensions) {
    return guarded(u"updatePath", [&] {
        if (!usable(source) || !usable(destination))
            return false;
        std::error_code ec;
        QStringList names;
        for (fs::directory_iterator it(fsPath(source), ec), end; !ec && it != end; it.increment(ec))
            names.append(QFile::decodeName(it->path().filename().c_str()));
        if (ec)
            return false;
        bool answer = true;
        for (const QString &name : std::as_const(names)) {
            const QString s = stringByAppendingPathComponent(source, name);
            const QString d = stringByAppendingPathComponent(destination, name);
            QString error;
            bool done = true;
            if (QFileInfo(d).isDir()) {
                done = updatePath(s, d, overwrite, hideExtensions);
            } else if (existsNoFollow(fsPath(d))) {
                if (overwrite == Overwrite::Yes || isModifiedLater(s, d))
                    done = removePath(d, &error) && copyPath(s, d, &error);
            } else {
                done = copyPath(s, d, &error);
            }
            // Hidden extensions would be set here; Linux file systems have no such flag.
            if (!done) {
                answer = false;
                if (!error.isEmpty())
                    textlib::systemLog(
                        QStringLiteral("ERROR: Couldn't update path %1: %2").arg(d, error));
            }
        }
        return answer;
    });
}

void directory(const QString &folder, const QStringList &names) {
    for (const QString &name : names) {
        if (name.isNull())
            break;
        // An empty name or ".." would reach the folder itself or beyond it.
        QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
        parts.removeAll(QStringLiteral("."));
        if (parts.isEmpty() || parts.contains(QStringLiteral("..")))
            continue;
        const QString path = stringByAppendingPathComponent(folder, name);
        if (existsNoFollow(fsPath(path)) && removePath(path))
            didRemoveFile(path);
    }
}

void didRemoveFile(const QString &path) {
    textlib::systemLog(QStringLiteral("Removed: %1").arg(path));
}

} // namespace filelib
