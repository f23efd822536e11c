#include "doc/SafeFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sys/stat.h>
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

TEST(SafeFile, ReadOnlyFolderIsReported)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: folder permissions do not apply";
    TempDir dir;
    fs::create_directory(dir.path() / "ro");
    fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteFileAtomically(dir / "ro/map.rgm", Pattern(3)), FileError);
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
