// Copies, backups and restores on a nearly full disk: a 1 MiB tmpfs that the
// test mounts (as root) and fills, so that writes fail part way. Every failure
// must leave each existing file byte for byte as it was and nothing new behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "CannotCopyFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileName.h"
#include "TempDir.h"

using qvxtest::failedCheck;
using qvxtest::TempDir;
using qvxtest::thrown;
namespace fs = std::filesystem;

namespace {

class SmallDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, ::geteuid()) << "mounting the small file system needs root";
        ASSERT_TRUE(fs::create_directory(disk));
        ASSERT_EQ(0, ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m,mode=0755")) << std::strerror(errno);
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted)
            ::umount2(disk.c_str(), MNT_DETACH);
    }

    std::string file(const std::string& name) const { return disk + "/" + name; }

    // Text of the given size whose bytes tell the files apart.
    static std::string contents(char seed, std::size_t size)
    {
        std::string s(size, ' ');
        for (std::size_t i = 0; i < size; ++i)
            s[i] = static_cast<char>(seed + i % 23);
        return s;
    }

    // Fills the disk, then gives back freeBytes (rounded to whole pages by tmpfs).
    void leaveFree(off_t freeBytes)
    {
        const int fd = ::open(file("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        off_t size = 0;
        for (ssize_t n; (n = ::write(fd, block.data(), block.size())) > 0;)
            size += n;
        ASSERT_EQ(ENOSPC, errno);
        ASSERT_EQ(0, ::ftruncate(fd, size > freeBytes ? size - freeBytes : 0));
        ::close(fd);
    }

    // Every entry of the disk: name, mode and the contents of regular files.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> all;
        for (const fs::directory_entry& e : fs::directory_iterator(disk))
        {
            struct stat st;
            ::lstat(e.path().c_str(), &st);
            all[e.path().filename()] = std::to_string(st.st_mode) + ":" +
                                       (S_ISREG(st.st_mode) ? TempDir::read(e.path()) : std::string());
        }
        return all;
    }

    std::string copyFailure(const std::string& from, const std::string& to) const
    {
        return "DS_CANNOT_COPY_FILE_ERROR_KEY[" + from + "|" + to + "]";
    }

    // call must fail with the copy's exception for from and to, leaving every
    // file of the disk as it was and nothing new.
    void expectFailureLeavesAll(const std::string& from, const std::string& to,
                                const std::function<void()>& call) const
    {
        const auto before = snapshot();
        EXPECT_EQ(copyFailure(from, to), thrown<CannotCopyFileDatastoreException>(call));
        EXPECT_EQ(before, snapshot());
    }

    TempDir base;
    const std::string disk = base / "disk";
    bool mounted = false;
    FileName f;
};

}  // namespace

TEST_F(SmallDisk, FailedCopiesLeaveTheDestinationAsItWas)
{
    const std::string from = file("new.dat"), to = file("old.dat"), fresh = file("fresh.dat");
    TempDir::write(from, contents('a', 300 * 1024));
    TempDir::write(to, contents('K', 200 * 1024), 0640);
    leaveFree(100 * 1024);
    expectFailureLeavesAll(from, to, [&] { f.copyFile(from, to); });
    expectFailureLeavesAll(from, fresh, [&] { f.copyFile(from, fresh); });
    leaveFree(0);
    expectFailureLeavesAll(from, to, [&] { f.copyFile(from, to); });
}

TEST_F(SmallDisk, FailedBackupsAndRestoresKeepTheLiveFileAndThePreviousBackup)
{
    const std::string live = file("a.txt"), backup = live + ".backup";
    TempDir::write(live, contents('n', 300 * 1024));
    TempDir::write(backup, contents('o', 120 * 1024));
    leaveFree(64 * 1024);
    expectFailureLeavesAll(live, backup, [&] { f.backupFile(live); });
    TempDir::write(live, contents('c', 100 * 1024));
    TempDir::write(backup, contents('b', 300 * 1024));
    expectFailureLeavesAll(backup, live, [&] { f.restoreFile(live); });
}

TEST_F(SmallDisk, ABackupWithNothingFreeLeavesNoBackupForALaterRestore)
{
    const std::string live = file("a.txt");
    TempDir::write(live, contents('L', 307200));
    leaveFree(0);
    const auto before = snapshot();
    expectFailureLeavesAll(live, live + ".backup", [&] { f.backupFile(live); });
    // With no backup there is nothing to restore: the copy's check fails, and
    // when that check returns the copy fails; the live file keeps its bytes.
    EXPECT_EQ("(\"Cannot copy the file \" + fromFile, FileName::fileExists(fromFile))",
              failedCheck([&] { f.restoreFile(live); }));
    qvxtest::NopMode nop;
    expectFailureLeavesAll(live + ".backup", live, [&] { f.restoreFile(live); });
    EXPECT_EQ(before, snapshot());
}

TEST_F(SmallDisk, CopiesThatFitReplaceWholeKeepingModeAndLinks)
{
    const std::string from = file("from"), to = file("to"), link = file("link");
    TempDir::write(from, contents('x', 100 * 1024), 0600);
    TempDir::write(to, "short old text", 0640);
    ASSERT_EQ(0, ::symlink("to", link.c_str()));
    leaveFree(400 * 1024);

    f.copyFile(from, link);  // through the link: the file it names is replaced
    EXPECT_EQ(contents('x', 100 * 1024), TempDir::read(to));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::perms(0640), fs::status(to).permissions() & fs::perms::mask);

    f.backupFile(to);
    TempDir::write(to, "changed");
    f.restoreFile(to);
    EXPECT_EQ(contents('x', 100 * 1024), TempDir::read(to));
    EXPECT_FALSE(TempDir::exists(to + ".backup"));
    const auto names = snapshot();
    EXPECT_EQ(4u, names.size());  // filler, from, link, to: no hidden copy left
    EXPECT_EQ(1u, names.count("to"));

    // A link to a file not there yet makes that file; a pipe is never replaced.
    ASSERT_EQ(0, ::symlink("made", file("dangling").c_str()));
    f.copyFile(from, file("dangling"));
    EXPECT_EQ(contents('x', 100 * 1024), TempDir::read(file("made")));
    EXPECT_TRUE(fs::is_symlink(file("dangling")));
    ASSERT_EQ(0, ::mkfifo(file("pipe").c_str(), 0600));
    expectFailureLeavesAll(from, file("pipe"), [&] { f.copyFile(from, file("pipe")); });
    EXPECT_TRUE(fs::is_fifo(file("pipe")));
    EXPECT_EQ(7u, snapshot().size());
}
