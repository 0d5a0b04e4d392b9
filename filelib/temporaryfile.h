// A path whose file or folder goes away with its owner.
#pragma once

#include <QString>

#include <memory>

namespace filelib {

/// Owns a path: when the object goes away, the item at the path (a file, a folder with its
/// contents, or a symbolic link itself, never its target) is removed with removePath(),
/// whether or not it still exists. Moving hands the path on; the moved-from object owns none.
class TemporaryFile {
public:
    explicit TemporaryFile(const QString &path);
    static std::unique_ptr<TemporaryFile> temporaryFileWithPath(const QString &path);
    ~TemporaryFile();

    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    TemporaryFile(TemporaryFile &&other) noexcept;
    /// Removes the item this object owned before taking over other's path.
    TemporaryFile &operator=(TemporaryFile &&other) noexcept;

    /// The owned path; null after a move.
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

} // namespace filelib
