#include "video/output_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace
{

QByteArray contents(QString const &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void put(QString const &name, QByteArray const &bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// What may be written and what is left alone: links are written through and
// stay links; devices, folders and read-only files are refused untouched.
TEST(OutputFile, WritesThroughLinksAndNeverReplacesWhatIsNotARegularFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("target.png");
    put(target, "old");
    ASSERT_TRUE(QFile::link(target, dir.filePath("link.png")));
    ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("device.png")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    put(dir.filePath("locked.png"), "kept");
    QFile::setPermissions(dir.filePath("locked.png"), QFileDevice::ReadOwner);

    EXPECT_EQ(write_whole_file(dir.filePath("link.png"), "new"), QString());
    EXPECT_TRUE(QFileInfo(dir.filePath("link.png")).isSymLink());
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(write_whole_file(dir.filePath("fresh.png"), "fresh"), QString());
    EXPECT_EQ(contents(dir.filePath("fresh.png")), "fresh");

    const struct {
        const char *name, *says;
    } refused[] = {
        {"device.png", "not a regular file"},
        {"folder.png", "not a regular file"},
        {"locked.png", "read-only"},
    };
    for (auto [name, says] : refused) {
        const QString e = write_whole_file(dir.filePath(name), "new");
        EXPECT_TRUE(e.startsWith("cannot write " + dir.filePath(name))) << e.toStdString();
        EXPECT_TRUE(e.contains(says)) << e.toStdString();
    }
    EXPECT_TRUE(QFileInfo(dir.filePath("device.png")).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.png")).isDir());
    EXPECT_EQ(contents(dir.filePath("locked.png")), "kept");
    EXPECT_EQ(write_whole_file("/dev/full", "x"), "cannot write /dev/full: not a regular file");
}

// A disk that fills up (here a file size limit) fails the write with the
// system's reason; the old file stays whole and no new one appears.
TEST(OutputFile, FullDiskLeavesTheOldFileOrNoneAndSaysWhy)
{
    QTemporaryDir dir;
    put(dir.filePath("old.png"), "the old picture");
    const QByteArray big(64 * 1024, 'x');

    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before;
    limit.rlim_cur = 20 * 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    const QString over_old = write_whole_file(dir.filePath("old.png"), big);
    const QString new_one = write_whole_file(dir.filePath("new.png"), big);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, old_handler);

    for (QString const &e : {over_old, new_one})
        EXPECT_TRUE(e.contains("File too large")) << e.toStdString();
    EXPECT_TRUE(over_old.startsWith("cannot write " + dir.filePath("old.png")));
    EXPECT_EQ(contents(dir.filePath("old.png")), "the old picture");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.png"});
}

} // namespace
