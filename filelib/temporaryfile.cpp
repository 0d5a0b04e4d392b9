#include "temporaryfile.h"

#include "fileoperations.h"

#include <utility>

namespace filelib {

TemporaryFile::TemporaryFile(const QString &path)
    : m_path(path) {
}

std::unique_ptr<TemporaryFile> TemporaryFile::temporaryFileWithPath(const QString &path) {
    return std::make_unique<TemporaryFile>(path);
}

TemporaryFile::~TemporaryFile() {
    if (!m_path.isEmpty())
        removePath(m_path);
}

TemporaryFile::TemporaryFile(TemporaryFile &&other) noexcept
    : m_path(std::exchange(other.m_path, QString())) {
}

TemporaryFile &TemporaryFile::operator=(TemporaryFile &&other) noexcept {
    if (this != &other) {
        if (!m_path.isEmpty())
            removePath(m_path);
        m_path = std::exchange(other.m_path, QString());
    }
    return *this;
}

} // namespace filelib
