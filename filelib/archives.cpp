#include "archives.h"

#include "pathcomponents.h"
#include "process.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace filelib {

namespace {

const QString ZipTool = QStringLiteral("/usr/bin/zip");
const QString UnzipTool = QStringLiteral("/usr/bin/unzip");

bool usable(const QString &path) {
    return !path.isEmpty() && !path.contains(QChar(0));
}

bool existsNoFollow(const QString &path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool isRealFolder(const QString &path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString absoluteClean(const QString &path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool isWithin(const QString &path, const QString &folder) {
    return path == folder || path.startsWith(folder == u"/" ? folder : folder + u'/');
}

// zip cannot write an archive without entries ("Nothing to do"), so that one is written here:
// the bare end-of-central-directory record.
bool writeEmptyArchive(const QString &target) {
    static const char record[22] = {'P', 'K', 5, 6};
    return writeData(QByteArray(record, sizeof record), target);
}

// zip adds ".zip" to a name without an extension and, run on a folder holding the archive,
// would pack the half-written archive too; so it writes into a fresh folder elsewhere and the
// result is moved into place only when it succeeded.
bool runZip(const QString &target, const QString &workDir, const QStringList &options,
            const QStringList &items, Append append) {
    const QString parent = QFileInfo(target).absolutePath();
    if (!QFileInfo(parent).isDir() || QFileInfo(target).isDir())
        return false;
    const QString stagingParent =
        isWithin(absoluteClean(parent), absoluteClean(workDir)) ? QDir::tempPath() : parent;
    QTemporaryDir staging(stagingParent + QStringLiteral("/.zip-XXXXXX"));
    if (!staging.isValid())
        return false;
    const QString archive = staging.filePath(QStringLiteral("archive.zip"));
    if (append == Append::Yes && existsNoFollow(target) && !copyPath(target, archive))
        return false;
    return launchAndWaitUntilExit(ZipTool, options + QStringList{archive} + items, workDir)
           && removePath(target) && movePath(archive, target);
}

// zip reads a name that starts with "-" as an option.
QString asOperand(const QString &name) {
    return name.startsWith(u'-') ? QStringLiteral("./") + name : name;
}

// The end record's entry count; the record sits at the very end unless a comment follows.
bool hasNoEntries(const QString &archive) {
    QFile file(archive);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 22 || !file.seek(file.size() - 22))
        return false;
    const QByteArray record = file.read(22);
    return record.startsWith("PK\x05\x06") && record[10] == 0 && record[11] == 0;
}

// The components unzip would create, splitting at "\" too as it does for some archives.
QStringList entryComponents(const QString &entry) {
    QString unified = entry;
    unified.replace(u'\\', u'/');
    QStringList parts = unified.split(u'/', Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    return parts;
}

// Refuses names that leave the folder, and names that pass through another entry which is not
// a folder: that entry may be a symbolic link, and unzip would write through it.
bool entriesStayInside(const QStringList &entries) {
    QSet<QString> nonFolders;
    for (const QString &entry : entries) {
        if (entry.startsWith(u'/') || entry.startsWith(u'\\'))
            return false;
        const QStringList parts = entryComponents(entry);
        if (parts.contains(QStringLiteral("..")))
            return false;
        if (!entry.endsWith(u'/') && !parts.isEmpty())
            nonFolders.insert(parts.join(u'/'));
    }
    for (const QString &entry : entries) {
        const QStringList parts = entryComponents(entry);
        for (qsizetype n = 1; n < parts.size(); ++n) {
            if (nonFolders.contains(parts.first(n).join(u'/')))
                return false;
        }
    }
    return true;
}

// Judged by text alone, since links may pass through other links (the archive's own, or ones
// already in the destination) that make ".." go anywhere: ".." may only lead a relative target
// and climb no higher than the destination; an absolute one must name a place inside it.
bool linksStayInside(const QString &staging, const QString &destination) {
    const QString root = absoluteClean(destination);
    QDirIterator it(staging, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (!info.isSymLink())
            continue;
        std::error_code ec;
        const QString target = QFile::decodeName(
            fs::read_symlink(QFile::encodeName(info.filePath()).toStdString(), ec).c_str());
        if (ec || target.isEmpty())
            return false;
        QStringList parts = target.split(u'/', Qt::SkipEmptyParts);
        parts.removeAll(QStringLiteral("."));
        const qsizetype climbs =
            std::find_if(parts.cbegin(), parts.cend(), [](const QString &c) { return c != u".."; })
            - parts.cbegin();
        if (parts.indexOf(QStringLiteral(".."), climbs) >= 0)
            return false;
        if (target.startsWith(u'/')) {
            if (climbs > 0 || !isWithin(QDir::cleanPath(target), root))
                return false;
            continue;
        }
        const qsizetype depth = QDir(staging).relativeFilePath(info.filePath()).count(u'/');
        if (climbs > depth)
            return false;
    }
    return true;
}

// Folders merge; an entry whose name is taken there (by a file, a link, or a folder where the
// archive has a file) is skipped, so an expansion never removes, replaces or writes through
// what exists. unzip without a terminal keeps existing files the same way.
bool mergeInto(const QString &from, const QString &to) {
    bool done = true;
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString &name : QDir(from).entryList(all, QDir::Unsorted)) {
        const QString source = stringByAppendingPathComponent(from, name);
        const QString target = stringByAppendingPathComponent(to, name);
        if (isRealFolder(source) && isRealFolder(target))
            done = mergeInto(source, target) && done;
        else
            done = !existsNoFollow(target) && movePath(source, target) && done;
    }
    return done;
}

bool extract(const QString &source, const QString &destination) {
    if (!usable(source) || !usable(destination) || !QFileInfo::exists(source))
        return false;
    const QString archive = QFileInfo(source).absoluteFilePath();
    const ToolRun listing = runTool(UnzipTool, {QStringLiteral("-Z1"), archive});
    if (!listing.started || !listing.normalExit)
        return false;
    // unzip warns (status 1) about an archive without entries, where there is nothing to do.
    if (listing.exitCode == 1 && hasNoEntries(archive))
        return createPath(destination);
    const QStringList entries = QFile::decodeName(listing.output).split(u'\n', Qt::SkipEmptyParts);
    if (listing.exitCode != 0 || !entriesStayInside(entries) || !createPath(destination))
        return false;
    QTemporaryDir staging(absoluteClean(destination) + QStringLiteral("/.unzip-XXXXXX"));
    if (!staging.isValid())
        return false;
    // -o: the staging folder is new, so only a name repeated in the archive could be replaced;
    // without it unzip would stop to ask.
    return launchAndWaitUntilExit(UnzipTool, {QStringLiteral("-q"), QStringLiteral("-o"),
                                              QStringLiteral("-d"), staging.path(), archive})
           && linksStayInside(staging.path(), destination)
           && mergeInto(staging.path(), absoluteClean(destination));
}

} // namespace

bool compressFileAtPath(const QString &source, const QString &destination, KeepParent keepParent) {
    if (!usable(source) || !usable(destination) || !existsNoFollow(source))
        return false;
    const QString item = absoluteClean(source);
    const QStringList options{QStringLiteral("-r"), QStringLiteral("-q"), QStringLiteral("-y")};
    if (keepParent == KeepParent::No && QFileInfo(item).isDir()) {
        if (QDir(item).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System
                               | QDir::NoDotAndDotDot))
            return !QFileInfo(destination).isDir() && writeEmptyArchive(destination);
        return runZip(destination, item, options, {QStringLiteral(".")}, Append::No);
    }
    return runZip(destination, stringByDeletingLastPathComponent(item), options,
                  {asOperand(lastPathComponent(item))}, Append::No);
}

bool compressFiles(const QStringList &names, const QString &folder, const QString &destination,
                   Append append) {
    if (names.isEmpty() || !usable(destination) || !usable(folder) || !QFileInfo(folder).isDir())
        return false;
    QStringList items;
    for (const QString &name : names) {
        if (!usable(name))
            return false;
        items.append(asOperand(name));
    }
    const QString target = QDir(folder).absoluteFilePath(destination);
    if (QFileInfo(target).isDir() || (append == Append::No && !removePath(target)))
        return false;
    return runZip(target, folder, {QStringLiteral("-r"), QStringLiteral("-q")}, items, append);
}

bool decompressFileAtPath(const QString &source, const QString &destination) {
    return extract(source, destination);
}

bool unzipFileAtPath(const QString &source, const QString &destination) {
    return extract(source, destination);
}

} // namespace filelib
