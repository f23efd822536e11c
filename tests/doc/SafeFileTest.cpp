#include "doc/SafeFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

std::vector<uint8_t> Pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 7 + 3);
    return v;
}

size_t EntriesIn(const fs::path& dir)
{
    return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(SafeFile, WritesNewFileAndReplacesOldOne)
{
    TempDir dir;
    const std::string path = dir / "map.rgm";
    WriteFileAtomically(path, Pattern(5000));
    EXPECT_EQ(ReadBytes(path), Pattern(5000));
    WriteFileAtomically(path, Pattern(10));
    EXPECT_EQ(ReadBytes(path), Pattern(10));
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file may stay behind";

    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IRUSR, 0u);
}

TEST(SafeFile, RefusesMissingFolderFolderTargetAndSpecialFiles)
{
    TempDir dir;
    EXPECT_THROW(WriteFileAtomically(dir / "missing/map.rgm", Pattern(3)), FileError);

    fs::create_directory(dir.path() / "sub");
    EXPECT_THROW(WriteFileAtomically(dir / "sub", Pattern(3)), FileError);
    EXPECT_TRUE(fs::is_directory(dir.path() / "sub"));

    const std::string fifo = dir / "pipe.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(WriteFileAtomically(fifo, Pattern(3)), FileError);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_THROW(ReadWholeFile(fifo), FileError);  // must not block on the pipe
}

TEST(SafeFile, FullDiskLeavesOldFileAndNoTemporary)
{
    TempDir dir;
    const std::string path = dir / "map.bmp";
    WriteBytes(path, Pattern(100));

    // A file-size limit stands in for a full disk.
    const int outcome = testsupport::RunInLimitedChild(RLIMIT_FSIZE, 4096, [&] {
        try {
            WriteFileAtomically(path, Pattern(1 << 20));
        } catch (const FileError&) {
            return 0;
        }
        return 1;
    });
    EXPECT_EQ(outcome, 0) << "the failed write must be reported";
    EXPECT_EQ(ReadBytes(path), Pattern(100));
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

// Run as nobody: root may write anything, so the refusals would not show.
TEST(SafeFile, TargetOrFolderTheUserCannotWriteIsRefusedAndKept)
{
    TempDir dir;
    const int outcome = testsupport::RunUnprivileged(dir.path(), [&] {
        const std::string locked = dir / "locked.rgm";
        WriteBytes(locked, Pattern(10));
        fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        fs::create_directory(dir.path() / "ro");
        fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        int faults = 0;
        for (const std::string& target : {locked, dir / "ro/map.rgm"}) {
            try {
                WriteFileAtomically(target, Pattern(3));
                ++faults;
            } catch (const FileError& e) {
                faults += std::string(e.what()).find("Permission denied") == std::string::npos;
            }
        }
        return faults + (ReadBytes(locked) != Pattern(10)) + (EntriesIn(dir.path()) != 2);
    });
    SKIP_IF_PRIVILEGES_KEPT(outcome);
    EXPECT_EQ(outcome, 0) << "a write-protected file or folder was written";
}

TEST(SafeFile, KeepsTheModeOwnerAndGroupOfTheReplacedFile)
{
    TempDir dir;
    for (const mode_t mode : {0600, 0755, 0444}) {
        const std::string path = dir / "map.rgm";
        WriteBytes(path, Pattern(10));
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        }
        WriteFileAtomically(path, Pattern(20));
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        if (root) {
            EXPECT_TRUE(st.st_uid == 65534 && st.st_gid == 65534) << "owner " << st.st_uid << ":" << st.st_gid;
        } else {
            std::cout << "[  SKIPPED ] owner check: only root may give a file to another user\n";
        }
    }
}

TEST(SafeFile, SymbolicLinkIsFollowedAndStays)
{
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    WriteBytes(dir / "real/map.rgm", Pattern(10));
    fs::create_symlink("real/map.rgm", dir.path() / "link.rgm");
    fs::create_symlink("link.rgm", dir.path() / "link2.rgm");
    WriteFileAtomically(dir / "link2.rgm", Pattern(20));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.rgm") && fs::is_symlink(dir.path() / "link2.rgm"));
    EXPECT_EQ(ReadBytes(dir / "real/map.rgm"), Pattern(20));
    EXPECT_EQ(EntriesIn(dir.path() / "real"), 1u);
}

TEST(SafeFile, EveryHardLinkSeesTheNewContent)
{
    TempDir dir;
    WriteBytes(dir / "a.rgm", Pattern(5000));
    fs::create_hard_link(dir.path() / "a.rgm", dir.path() / "b.rgm");
    WriteFileAtomically(dir / "a.rgm", Pattern(30));
    EXPECT_EQ(ReadBytes(dir / "b.rgm"), Pattern(30));
    EXPECT_EQ(fs::hard_link_count(dir.path() / "a.rgm"), 2u);
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST(SafeFile, NameOfTheLongestValidLengthSaves)
{
    TempDir dir;
    const std::string path = dir / (std::string(251, 'm') + ".rgm");
    WriteFileAtomically(path, Pattern(10));
    EXPECT_EQ(ReadBytes(path), Pattern(10));
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

// A child saves a large file over and over; each signal hits it while a
// temporary file exists. The child must die by that signal and leave no
// temporary file behind.
TEST(SafeFile, TerminationSignalsRemoveTheTemporaryFile)
{
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        TempDir dir;
        const std::string path = dir / "big.rgm";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::vector<uint8_t> big = Pattern(size_t(64) << 20);
            for (;;)
                WriteFileAtomically(path, big);
        }
        auto temporaryExists = [&] {
            for (const auto& entry : fs::directory_iterator(dir.path()))
                if (entry.path().filename() != "big.rgm")
                    return true;
            return false;
        };
        for (int waited = 0; !temporaryExists() && waited < 20000; ++waited)
            ::usleep(500);
        ::kill(child, sig);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig;
        EXPECT_FALSE(temporaryExists()) << "signal " << sig << " left the temporary file";
    }
}

TEST(SafeFile, ReadWholeFileChecksWhatItReads)
{
    TempDir dir;
    const std::string path = dir / "a.rgm";
    WriteBytes(path, Pattern(300));
    EXPECT_EQ(ReadWholeFile(path), Pattern(300));
    EXPECT_THROW(ReadWholeFile(path, 299), FileError);
    EXPECT_THROW(ReadWholeFile(dir / "none.rgm"), FileError);
    EXPECT_THROW(ReadWholeFile(dir.path().string()), FileError);
    WriteBytes(dir / "empty.rgm", {});
    EXPECT_TRUE(ReadWholeFile(dir / "empty.rgm").empty());
}

// Files whose size does not tell what a read returns: /proc files claim 0
// bytes and return text (the file grew), /sys files claim a page and return a
// line (it shrank). Both read as "changed while being read" and are refused
// rather than half read.
TEST(SafeFile, FileWhoseSizeDiffersFromItsContentsIsRefused)
{
    for (const char* path : {"/proc/self/status", "/sys/kernel/mm/transparent_hugepage/enabled"}) {
        struct stat st {};
        if (::stat(path, &st) != 0) {
            std::cout << "[  SKIPPED ] " << path << " is not there on this system\n";
            continue;
        }
        try {
            ReadWholeFile(path);
            ADD_FAILURE() << path << " was read although its size is " << st.st_size;
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("changed while being read"), std::string::npos) << e.what();
        }
    }
}

TEST(SafeFile, ErrorMessagesNameTheFile)
{
    TempDir dir;
    try {
        ReadWholeFile(dir / "nowhere.rgm");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("nowhere.rgm"), std::string::npos);
    }
}

}  // namespace
