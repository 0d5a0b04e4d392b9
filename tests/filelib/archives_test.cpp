#include "filelib/archives.h"
#include "filelib/process.h" // runTool, to list entries with unzip

#include "filetesting.h"

#include <filesystem>
#include <vector>

using namespace filelib;

// Stored entries of a zip archive written by hand, so archives can say what zip never would.
struct Entry {
    QByteArray name, data;
    unsigned mode = 0100644; // 040755 for a folder, 0120777 for a link whose target is data
};

// Appends little-endian fields, given as value, width in bytes, value, width...
void le(QByteArray &out, std::initializer_list<quint64> fields) {
    for (auto it = fields.begin(); it != fields.end(); it += 2)
        for (quint64 i = 0; i < it[1]; ++i)
            out.append(char(it[0] >> (8 * i)));
}

QByteArray zipOf(const std::vector<Entry> &entries) {
    QByteArray out, central;
    for (const Entry &e : entries) {
        quint32 crc = 0xFFFFFFFF;
        for (char c : e.data) {
            crc ^= quint8(c);
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
        const quint64 offset = quint64(out.size()), size = quint64(e.data.size());
        QByteArray common;
        le(common,
           {10, 2, 0, 6, 0x21, 2, ~crc, 4, size, 4, size, 4, quint64(e.name.size()), 2, 0, 2});
        le(out, {0x04034b50, 4});
        out += common + e.name + e.data;
        le(central, {0x02014b50, 4, 0x0314, 2}); // made on Unix, so the mode counts
        central += common;
        le(central, {0, 6, quint64(e.mode) << 16, 4, offset, 4});
        central += e.name;
    }
    const quint64 start = quint64(out.size()), count = entries.size();
    out += central;
    le(out, {0x06054b50, 4, 0, 4, count, 2, count, 2, quint64(central.size()), 4, start, 4, 0, 2});
    return out;
}

struct ArchivesTest : TempFolderTest {
    QStringList entries(const QString &archive) const {
        QStringList names = QString::fromUtf8(runTool("/usr/bin/unzip", {"-Z1", p(archive)}).output)
                                .split('\n', Qt::SkipEmptyParts);
        names.sort();
        return names;
    }
    // Everything below folder, relative, links shown with their target.
    QStringList tree(const QString &folder) const {
        namespace fs = std::filesystem;
        const fs::path root = p(folder).toStdString();
        std::error_code ec; // a missing folder is empty
        QStringList names;
        for (const fs::directory_entry &e : fs::recursive_directory_iterator(root, ec))
            names.append(QString::fromStdString(
                e.path().lexically_relative(root).native()
                + (e.is_symlink() ? " -> " + read_symlink(e.path()).native() : "")));
        names.sort();
        return names;
    }
    void makeSource() {
        put("src/a.txt", "A");
        put("src/.hid", "H");
        put("src/sub/b", "B");
        ASSERT_TRUE(QFile::link("a.txt", p("src/l")));
    }
};

TEST_F(ArchivesTest, CompressesWithAndWithoutParent) {
    makeSource();
    const std::pair<QString, QStringList> rows[] = {
        {"src/", {".hid", "a.txt", "l", "sub/", "sub/b"}},
        {"src", {"src/", "src/.hid", "src/a.txt", "src/l", "src/sub/", "src/sub/b"}}};
    for (const auto &[source, expected] : rows) {
        // No extension, and an archive already there: zip would append to "arch.zip" instead.
        const KeepParent keep = source.endsWith('/') ? KeepParent::No : KeepParent::Yes;
        ASSERT_TRUE(compressFileAtPath(p(source), p("arch"), keep)) << source.toStdString();
        EXPECT_EQ(entries("arch"), expected) << source.toStdString();
    }
    EXPECT_EQ(tree("").filter("arch"), QStringList{"arch"});
    ASSERT_TRUE(compressFiles({"a.txt", "sub"}, p("src"), "../files"));
    put("src/-dash"); // not an option to zip
    ASSERT_TRUE(compressFiles({"-dash"}, p("src"), p("files"), Append::Yes));
    EXPECT_EQ(entries("files"), (QStringList{"-dash", "a.txt", "sub/", "sub/b"}));
    ASSERT_TRUE(compressFiles({".hid"}, p("src"), p("files"))); // replaces without Append
    EXPECT_EQ(entries("files"), QStringList{".hid"});
}

TEST_F(ArchivesTest, RoundTripKeepsContentAndLinks) {
    makeSource();
    ASSERT_TRUE(compressFileAtPath(p("src"), p("arch.zip")));
    ASSERT_TRUE(decompressFileAtPath(p("arch.zip"), p("out/x/y/z")));
    EXPECT_EQ(tree("out/x/y/z"), tree("src"));
    EXPECT_EQ(read("out/x/y/z/a.txt"), "A");
    // zip writes no archive without entries: only the end record.
    QDir().mkpath(p("empty"));
    ASSERT_TRUE(compressFileAtPath(p("empty"), p("e.zip")));
    EXPECT_TRUE(QFileInfo(p("e.zip")).size() == 22 && decompressFileAtPath(p("e.zip"), p("e")));
    put("not.zip", "plain text");
    EXPECT_FALSE(compressFileAtPath(p("missing"), p("a.zip"))
                 || decompressFileAtPath(p("not.zip"), p("o1"))
                 || compressFiles({"a.txt", ""}, p("src"), p("f.zip")));
    EXPECT_FALSE(there("a.zip") || there("f.zip") || there("o1"));
}

TEST_F(ArchivesTest, RefusesHostileArchives) {
    put("victim/keep", "K");
    const QByteArray outside = QFile::encodeName(p("victim"));
    const std::vector<std::vector<Entry>> hostile{
        {{"ok", "1"}, {"../evil", "E"}},
        {{outside + "/evil", "E"}},
        {{"link", outside, 0120777}, {"link/evil", "E"}},
        {{"a", ".", 0120777}, {"b", "a/a/a/../../../victim", 0120777}}};
    for (size_t n = 0; n < hostile.size(); ++n) {
        const QString name = put(QString("h%1.zip").arg(n), zipOf(hostile[n]));
        for (auto extract : {decompressFileAtPath, unzipFileAtPath}) {
            EXPECT_FALSE(extract(name, p("out/dst"))) << n;
            QStringList left = tree("victim") + tree("out");
            left.removeAll("dst");
            EXPECT_EQ(left, QStringList{"keep"}) << n;
        }
    }
}

// A file of the archive over a folder that is there: the folder stays as it was, the rest is
// extracted, and the answer says that something was left out.
TEST_F(ArchivesTest, ExpandingKeepsWhatIsThere) {
    put("src/new", "N");
    put("src/docs", "archived");
    put("dst/docs/keep", "kept");
    ASSERT_TRUE(compressFileAtPath(p("src"), p("a.zip")));
    EXPECT_FALSE(unzipFileAtPath(p("a.zip"), p("dst")));
    EXPECT_EQ(tree("dst"), (QStringList{"docs", "docs/keep", "new"}));
}

TEST_F(ArchivesTest, ExtractsHarmlessLinksAndNeverWritesThroughLinksThere) {
    put("victim/keep", "K");
    put("fine.zip", zipOf({{"sub/", "", 040755},
                           {"sub/x", "X"},
                           {"l", "sub/x", 0120777},
                           {"sub/up", "../l", 0120777}}));
    ASSERT_TRUE(unzipFileAtPath(p("fine.zip"), p("dst")));
    EXPECT_EQ(tree("dst"), (QStringList{"l -> sub/x", "sub", "sub/up -> ../l", "sub/x"}));
    QDir().mkpath(p("linked"));
    ASSERT_TRUE(QFile::link(p("victim"), p("linked/sub")));
    EXPECT_FALSE(unzipFileAtPath(p("fine.zip"), p("linked")));
    EXPECT_EQ(tree("linked"), (QStringList{"l -> sub/x", "sub -> " + p("victim")}));
    EXPECT_EQ(tree("victim"), QStringList{"keep"});
}
