#include "filelib/lockfiles.h"

#include "filelib/propertylist.h"

#include "filetesting.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace filelib;

// On a file system without hard links link() fails with EPERM; this one does so on demand.
static bool linkFails = false;
extern "C" int link(const char *from, const char *to) noexcept {
    return linkFails ? (errno = EPERM, -1) : ::linkat(AT_FDCWD, from, AT_FDCWD, to, 0);
}

using LockFiles = TempFolderTest;

TEST_F(LockFiles, TakeRefuseRelease) {
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
    EXPECT_TRUE(lockFileAtPath(QString::fromUtf8("a\0b", 3), Override::Yes).isNull());
}

TEST_F(LockFiles, StaleLocksAreReplaced) {
    // What a.lock holds ("/": it is a folder), and whether it is stale.
    const std::pair<QByteArray, bool> rows[] = {
        {"<plist><dict>", true}, {"/", false}, {"<plist><dict/></plist>", false}};
    for (const auto &[content, stale] : rows) {
        QDir(p("a.lock")).removeRecursively();
        content == "/" ? (void)QDir(dir.path()).mkdir("a.lock") : (void)put("a.lock", content);
        EXPECT_EQ(lockFileAtPath(p("a")).isNull(), !stale) << content.data();
        EXPECT_EQ(unlockFileAtPath(p("a.lock")), stale) << content.data();
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
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System));
}

TEST_F(LockFiles, UnlockOnlyWhatThisProcessOwns) {
    const qint64 pid = processNumber();
    const QString user = userName();
    const std::tuple<const char *, QVariant, bool> rows[] = {
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

// Taking a lock once tested and then wrote, so several processes could all win; replacing a
// stale lock once removed it and linked anew, so a late taker could remove a fresh lock.
TEST_F(LockFiles, OnlyOneOfRacingProcessesWins) {
    const std::pair<const char *, int> kinds[] = {{"", 20}, {"stale", 300}};
    for (const auto &[stale, rounds] : kinds) {
        for (int round = 0; round < rounds; ++round) {
            const QString path = p(QString("%1%2").arg(stale).arg(round));
            if (*stale)
                putFile(path + ".lock", stale);
            int gate[2];
            ASSERT_EQ(::pipe(gate), 0);
            std::vector<pid_t> children;
            for (int i = 0; i < 8; ++i) {
                if (const pid_t pid = ::fork(); pid != 0) {
                    children.push_back(pid);
                    continue;
                }
                ::alarm(20); // a child that hangs is killed and counts as a failure
                ::close(gate[1]);
                char c; // released when the parent closes its end (no handler, so no EINTR)
                [[maybe_unused]] const ssize_t got = ::read(gate[0], &c, 1);
                ::_exit(lockFileAtPath(path).isNull() ? 0 : 1);
            }
            ::close(gate[0]);
            ::close(gate[1]);
            int winners = 0;
            for (pid_t pid : children) {
                int status = 0;
                ::waitpid(pid, &status, 0);
                winners += WIFEXITED(status) ? WEXITSTATUS(status) : 100;
            }
            ASSERT_EQ(winners, 1) << stale << ", round " << round;
            ASSERT_TRUE(readPropertyList(path + ".lock").isValid()) << stale;
        }
    }
    EXPECT_EQ(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
        320);
}

// Nothing can be created there, not even by root.
TEST_F(LockFiles, UnwritableFolder) {
    EXPECT_TRUE(lockFileAtPath("/proc/self/a").isNull());
}
