#include "filelib/lockfiles.h"

#include "filelib/propertylist.h"

#include "filetesting.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

using namespace filelib;

// On a file system without hard links link() fails with EPERM; this one does so on demand.
static bool linkFails = false;
extern "C" int link(const char *from, const char *to) noexcept {
    if (!linkFails)
        return ::linkat(AT_FDCWD, from, AT_FDCWD, to, 0);
    errno = EPERM;
    return -1;
}

namespace {

// Runs f in a forked child and answers its exit code (-1 when it did not exit normally).
int inChild(const std::function<int()> &f) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(f());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class LockFiles : public TempFolderTest {
public:
    qsizetype entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
            .size();
    }
};

TEST_F(LockFiles, TakeRefuseRelease) {
    const passwd *entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(userName(), QString::fromLocal8Bit(entry->pw_name));
    EXPECT_EQ(processNumber(), qint32(::getpid()));
    const QString lock = lockFileAtPath(p("sub/doc.txt"));
    ASSERT_EQ(lock, p("sub/doc.txt.lock"));
    EXPECT_EQ(readPropertyList(lock),
              (QVariantMap{{"userName", userName()}, {"processNumber", qint64(processNumber())}}));
    // Held, even against its own taker; no temporary names are left behind.
    EXPECT_TRUE(lockFileAtPath(p("sub/doc.txt")).isNull());
    EXPECT_EQ(QDir(p("sub")).entryList(QDir::Files), QStringList{"doc.txt.lock"});
    EXPECT_EQ(lockFileAtPath(p("sub/doc.txt"), Override::Yes), lock);
    EXPECT_TRUE(unlockFileAtPath(lock));
    EXPECT_FALSE(QFile::exists(lock) || unlockFileAtPath(lock));
    for (const QString &bad : {QString("/"), QString::fromUtf8("a\0b", 3)})
        EXPECT_TRUE(lockFileAtPath(bad, Override::Yes).isNull()) << bad.toStdString();
    EXPECT_FALSE(unlockFileAtPath(QString()));
}

TEST_F(LockFiles, StaleLocksAreReplaced) {
    const std::tuple<const char *, std::function<void(LockFiles &)>, bool> rows[] = {
        {"garbage", [](LockFiles &t) { t.put("a.lock", "<plist><dict>"); }, true},
        {"folder", [](LockFiles &t) { QDir(t.dir.path()).mkdir("a.lock"); }, false},
        {"empty dictionary", [](LockFiles &t) { t.put("a.lock", "<plist><dict/></plist>"); },
         false}};
    for (const auto &[name, setup, taken] : rows) {
        QDir(p("a.lock")).removeRecursively();
        QFile::remove(p("a.lock"));
        setup(*this);
        EXPECT_EQ(lockFileAtPath(p("a")).isNull(), !taken) << name;
        if (taken) {
            EXPECT_TRUE(unlockFileAtPath(p("a.lock"))) << name;
        }
        EXPECT_EQ(entries(), taken ? 0 : 1) << name;
    }
}

// Without link() an exclusive create keeps takers apart, and a stale lock is still replaced.
TEST_F(LockFiles, WithoutHardLinks) {
    linkFails = true;
    EXPECT_EQ(lockFileAtPath(p("a")), p("a.lock"));
    EXPECT_TRUE(lockFileAtPath(p("a")).isNull());
    put("b.lock", "stale");
    EXPECT_EQ(lockFileAtPath(p("b")), p("b.lock"));
    linkFails = false;
    EXPECT_TRUE(unlockFileAtPath(p("a.lock")) && unlockFileAtPath(p("b.lock")));
    EXPECT_EQ(entries(), 0);
}

TEST_F(LockFiles, UnlockOnlyWhatThisProcessOwns) {
    const qint64 pid = processNumber();
    const QString user = userName();
    const std::tuple<const char *, QVariant, bool> rows[] = {
        {"as real", QVariantMap{{"userName", user}, {"processNumber", double(pid)}}, true},
        {"32-bit value", QVariantMap{{"userName", user}, {"processNumber", pid + (1LL << 32)}},
         true},
        {"other process", QVariantMap{{"userName", user}, {"processNumber", pid + 1}}, false},
        {"other user", QVariantMap{{"userName", user + "X"}, {"processNumber", pid}}, false},
        {"list", QVariantList{user, pid}, false}};
    for (const auto &[name, content, released] : rows) {
        ASSERT_TRUE(writePropertyList(content, p("b.lock")));
        EXPECT_EQ(unlockFileAtPath(p("b.lock")), released) << name;
        EXPECT_EQ(QFile::exists(p("b.lock")), !released) << name;
    }
}

TEST_F(LockFiles, AnotherProcessIsRefused) {
    const QString path = p("shared.txt");
    // A lock taken by a child (which then ends) holds against this process...
    ASSERT_EQ(inChild([&] { return lockFileAtPath(path).isNull() ? 1 : 0; }), 0);
    EXPECT_TRUE(lockFileAtPath(path).isNull());
    EXPECT_FALSE(unlockFileAtPath(path + ".lock"));
    EXPECT_TRUE(QFile::exists(path + ".lock"));
    // ...and one taken here holds against a child, which cannot release it either.
    ASSERT_EQ(lockFileAtPath(path, Override::Yes), path + ".lock");
    EXPECT_EQ(inChild([&] { return lockFileAtPath(path).isNull() ? 0 : 1; }), 0);
    EXPECT_EQ(inChild([&] { return unlockFileAtPath(path + ".lock") ? 1 : 0; }), 0);
    EXPECT_TRUE(unlockFileAtPath(path + ".lock"));
}

// Taking a lock once tested and then wrote, so several processes could all win; replacing a
// stale lock once removed it and linked anew, so a late taker could remove a fresh lock.
TEST_F(LockFiles, OnlyOneOfRacingProcessesWins) {
    const struct {
        const char *name;
        int rounds;
        std::function<void(const QString &)> stale;
    } kinds[] = {{"no lock", 20, {}},
                 {"stale file", 300, [](const QString &lock) { putFile(lock, "stale"); }},
                 {"stale link", 100, [](const QString &lock) { QFile::link("gone", lock); }}};
    for (const auto &kind : kinds) {
        for (int round = 0; round < kind.rounds; ++round) {
            const QString path = p(QString("race%1").arg(round));
            if (kind.stale)
                kind.stale(path + ".lock");
            int gate[2];
            ASSERT_EQ(::pipe(gate), 0);
            std::vector<pid_t> children;
            for (int i = 0; i < 8; ++i) {
                const pid_t pid = ::fork();
                if (pid == 0) {
                    ::alarm(20); // a child that hangs is killed and counts as a failure
                    ::close(gate[1]);
                    char c;
                    // Released all at once when the parent closes its end.
                    while (::read(gate[0], &c, 1) < 0 && errno == EINTR) {
                    }
                    ::_exit(lockFileAtPath(path).isNull() ? 0 : 1);
                }
                children.push_back(pid);
            }
            ::close(gate[0]);
            ::close(gate[1]);
            int winners = 0;
            for (pid_t pid : children) {
                int status = 0;
                ::waitpid(pid, &status, 0);
                winners += WIFEXITED(status) ? WEXITSTATUS(status) : 100;
            }
            ASSERT_EQ(winners, 1) << kind.name << ", round " << round;
            ASSERT_TRUE(readPropertyList(path + ".lock").isValid()) << kind.name;
        }
        EXPECT_EQ(entries(), kind.rounds) << kind.name;
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }
}

TEST_F(LockFiles, UnwritableFolder) {
    if (runAsNobody())
        return;
    ASSERT_TRUE(QDir(dir.path()).mkdir("ro"));
    QFile::setPermissions(p("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(lockFileAtPath(p("ro/a")).isNull());
    EXPECT_TRUE(lockFileAtPath(p("ro/sub/a")).isNull());
    QFile::setPermissions(p("ro"), QFileDevice::Permissions(0x7700));
}

} // namespace
