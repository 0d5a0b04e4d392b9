#include "comments.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QMutex>
#include <QPointer>
#include <QTimer>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <atomic>
#include <cerrno>
#include <optional>

namespace filelib {

namespace {

std::atomic<CommentBatchHandler> batchHandler{nullptr};

// A NUL would cut the path short in every system call, so such a path names nothing.
std::optional<QByteArray> nativeName(const QString &path) {
    if (path.isEmpty() || path.contains(QChar(0)))
        return std::nullopt;
    return QFile::encodeName(path);
}

bool writeComment(const QString &comment, const QString &path) {
    const auto name = nativeName(path);
    if (!name)
        return false;
    const QByteArray value = comment.toUtf8();
    if (value.isEmpty())
        return ::removexattr(name->constData(), CommentAttribute) == 0 || errno == ENODATA;
    return ::setxattr(name->constData(), CommentAttribute, value.constData(), size_t(value.size()),
                      0)
           == 0;
}

enum Kind { Folders, Files };

// Lives on the application's thread, so its timers run there whatever thread queues comments.
class CommentBatcher : public QObject {
public:
    CommentBatcher() {
        for (Kind kind : {Folders, Files}) {
            timers[kind] = new QTimer(this);
            timers[kind]->setSingleShot(true);
            timers[kind]->setInterval(CommentBatchDelayMs);
            connect(timers[kind], &QTimer::timeout, this, [this, kind] { flush(kind); });
        }
    }

    void add(Kind kind, const QString &path, const QString &comment) {
        {
            QMutexLocker lock(&mutex);
            pending[kind].insert(path, comment);
        }
        QTimer *timer = timers[kind];
        QMetaObject::invokeMethod(this, [timer] { timer->start(); });
    }

    qsizetype count() {
        QMutexLocker lock(&mutex);
        return pending[Folders].size() + pending[Files].size();
    }

    // Answers whether comments of that kind still wait.
    bool flush(Kind kind) {
        QList<std::pair<QString, QString>> batch;
        {
            QMutexLocker lock(&mutex);
            auto &map = pending[kind];
            while (!map.isEmpty() && batch.size() < CommentBatchSize) {
                batch.append({map.firstKey(), map.first()});
                map.erase(map.begin());
            }
        }
        if (batch.isEmpty())
            return false;
        int failed = 0;
        for (const auto &[path, comment] : batch)
            failed += writeComment(comment, path) ? 0 : 1;
        if (const CommentBatchHandler handler = batchHandler.load())
            handler(kind == Folders, int(batch.size()), failed);
        QMutexLocker lock(&mutex);
        if (pending[kind].isEmpty())
            return false;
        timers[kind]->start();
        return true;
    }

    void flushAll() {
        for (Kind kind : {Folders, Files}) {
            while (flush(kind)) {
            }
            timers[kind]->stop();
        }
    }

private:
    QMutex mutex;
    QMap<QString, QString> pending[2];
    QTimer *timers[2] = {};
};

QMutex batcherMutex;
QPointer<CommentBatcher> theBatcher;

// Null without a QCoreApplication: no event loop would ever run the flushes.
CommentBatcher *batcher() {
    QMutexLocker lock(&batcherMutex);
    QCoreApplication *app = QCoreApplication::instance();
    if (!theBatcher && app) {
        auto *made = new CommentBatcher;
        made->moveToThread(app->thread());
        made->setParent(app);
        QObject::connect(app, &QCoreApplication::aboutToQuit, made, &CommentBatcher::flushAll);
        theBatcher = made;
    }
    return theBatcher;
}

} // namespace

bool finderLaunched() {
    return true;
}

bool finderScriptable(const QString &path) {
    const auto name = nativeName(path);
    if (!name)
        return false;
    if (::getxattr(name->constData(), CommentAttribute, nullptr, 0) >= 0)
        return true;
    // Without read permission the attribute may still be writable; only a missing item or a
    // file system without user attributes says no.
    return errno == ENODATA || errno == EACCES || errno == ERANGE;
}

QString finderCommentAtPath(const QString &path) {
    const auto name = nativeName(path);
    if (!name)
        return {};
    // The value may grow between asking its size and reading it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = ::getxattr(name->constData(), CommentAttribute, nullptr, 0);
        if (size < 0)
            return errno == ENODATA ? QStringLiteral("") : QString();
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t read =
            ::getxattr(name->constData(), CommentAttribute, value.data(), size_t(value.size()));
        if (read >= 0)
            return QString::fromUtf8(value.constData(), read);
        if (errno == ENODATA)
            return QStringLiteral("");
        if (errno != ERANGE)
            return {};
    }
    return {};
}

bool setFinderComment(const QString &comment, const QString &path, Asynchronous asynchronous) {
    const auto name = nativeName(path);
    struct stat st;
    if (!name || ::stat(name->constData(), &st) != 0 || !finderScriptable(path))
        return false;
    if (asynchronous == Asynchronous::Yes) {
        if (CommentBatcher *b = batcher()) {
            b->add(S_ISDIR(st.st_mode) ? Folders : Files, path,
                   comment.isNull() ? QStringLiteral("") : comment);
            return true;
        }
    }
    return writeComment(comment, path);
}

qsizetype pendingFinderCommentCount() {
    CommentBatcher *b = batcher();
    return b ? b->count() : 0;
}

CommentBatchHandler setCommentBatchHandler(CommentBatchHandler handler) {
    return batchHandler.exchange(handler);
}

} // namespace filelib
