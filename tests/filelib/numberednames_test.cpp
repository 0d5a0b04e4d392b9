#include "filelib/numberednames.h"

#include "filetesting.h"

#include <QRegularExpression>

#include <filesystem>

using namespace filelib;

struct NumberedNames : TempFolderTest {
    void putAged(const QString &name, int hours) {
        namespace fs = std::filesystem;
        fs::last_write_time(put(name, "").toStdString(),
                            fs::file_time_type::clock::now() - std::chrono::hours(hours));
    }
    QStringList names() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }
};

TEST_F(NumberedNames, FirstFreeNumber) {
    const QString a243(243, u'a'), emoji = QStringLiteral("\U0001F600");
    // The names there (">" at the end: a dangling link), the name asked for, the answer.
    const std::tuple<QStringList, QString, QString> rows[] = {
        {{"report.txt", "report-1.txt"}, "report.txt", "report-2.txt"},
        {{"a.tar.gz"}, "a.tar.gz", "a.tar-1.gz"},
        {{"link>"}, "link", "link-1"},
        // The cut would fall between the halves of the emoji, so the whole emoji goes.
        {{a243 + emoji + ".txt"}, a243 + emoji + ".txt", a243 + "-1.txt"}};
    for (const auto &[existing, name, expected] : rows) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        for (const QString &entry : existing)
            entry.endsWith(u'>') ? (void)QFile::link(p("gone"), p(entry.chopped(1)))
                                 : (void)put(entry);
        EXPECT_EQ(nonExistingFilenameAtPath(p(name)), p(expected)) << name.toStdString();
    }
    const QString nul = QString::fromUtf8("/a\0b", 4);
    EXPECT_EQ(nonExistingFilenameAtPath(nul).constData(), nul.constData());
    EXPECT_TRUE(nonExistingFilenameAtPath("/").isNull());
}

TEST_F(NumberedNames, ArchiveRotationKeepsTheNewest) {
    for (int age = 1; age <= 5; ++age)
        putAged(QString("Backup %1").arg(age), age);
    putAged("backup OLD", 9);
    putAged("Other", 20);
    EXPECT_TRUE(sortByModificationDate(p("Backup 1"), p("Backup 2"))
                && !sortByModificationDate(p("Backup 2"), p("Backup 1"))
                && !sortByModificationDate(QString(), p("Other")));
    const QString name = archiveDirectoryContentsAtPath(dir.path(), "Backup", 3);
    EXPECT_EQ(names(), (QStringList{"Backup 1", "Backup 2", "Backup 3", "Other"}));
    const QRegularExpression format("^Backup \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d$");
    EXPECT_TRUE(format.match(name).hasMatch()) << name.toStdString();
    EXPECT_EQ(archiveDirectoryContentsAtPath(dir.path(), "backup", 1).left(6), "backup");
    // Wildcard characters in the prefix are taken literally.
    EXPECT_FALSE(archiveDirectoryContentsAtPath(dir.path(), "*", 0).isNull());
    EXPECT_EQ(names(), (QStringList{"Backup 1", "Other"}));
    EXPECT_FALSE(archiveDirectoryContentsAtPath(dir.path(), "O", -4).isNull());
    EXPECT_EQ(names(), QStringList{"Backup 1"});
    EXPECT_TRUE(archiveDirectoryContentsAtPath(dir.path(), "", 1).isNull());
    EXPECT_TRUE(archiveDirectoryContentsAtPath(p("missing"), "x", 1).startsWith("x "));
}
