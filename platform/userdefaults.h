// The user's persistent defaults: a per-user key-value store shared by every Sumwise process.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>

/// Wraps an INI file under $XDG_CONFIG_HOME/Sumwise. Writes are merged with what other
/// processes wrote meanwhile and the file is replaced atomically under a lock file, so
/// concurrent writers lose no key and a reader never sees a half-written file. Changes wait in
/// memory until synchronize(), so several of them cost one write. A key is any text: "/" in it
/// is no group separator, so "a/b" and "a//b" are two keys.
class UserDefaults {
public:
    /// The application's store ("Sumwise"/"Sumwise"), created on first use.
    static UserDefaults &standardUserDefaults();

    /// A store kept in the given INI file.
    explicit UserDefaults(const QString &fileName);

    struct InMemory {};
    /// A store kept in memory alone, for fuzzing and benchmarks: it reads and writes no file,
    /// synchronize() always succeeds and fileName() is empty.
    explicit UserDefaults(InMemory);
    ~UserDefaults();

    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    /// The object stored under key, or an invalid QVariant when there is none.
    QVariant objectForKey(const QString &key) const;
    void setObject(const QVariant &value, const QString &key);
    /// Stores value under key; storing the value already held, with no other change waiting,
    /// changes nothing on disk.
    void setDouble(double value, const QString &key);
    void setInteger(qint64 value, const QString &key);
    /// The integer stored under key, truncated toward zero and clamped to the range. A text
    /// counts only when it is a number in full ("." as the decimal point, no grouping);
    /// "true" and "false" count as 1 and 0. defaultValue when nothing is stored or the object
    /// is no number.
    qint64 integerForKey(const QString &key, qint64 defaultValue) const;
    /// Every key held.
    QStringList allKeys() const;
    void removeObjectForKey(const QString &key);

    /// Writes pending changes and picks up those of other processes. False when the file
    /// could not be read or written.
    bool synchronize();
    /// Picks up what other processes stored, when the file changed since it was last read or
    /// written here.
    void reloadIfChanged();

    QString fileName() const { return m_settings ? m_settings->fileName() : QString(); }

private:
    struct FileState {
        bool exists = false;
        qint64 size = 0, inode = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const FileState &) const = default;
    };
    FileState fileState() const;
    void noteFileState() { m_seen = fileState(); }

    std::unique_ptr<QSettings> m_settings; // null for a store in memory
    QVariantMap m_memory;
    FileState m_seen;
    bool m_pending = false; // changes that the next synchronize() writes
};
