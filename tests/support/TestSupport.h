// Small helpers shared by the test programs.
#pragma once

#include <cstdint>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

// The shared corpus folder, or an empty path when it is not there.
std::filesystem::path SharedDir();
std::filesystem::path CorpusDir();

// A fresh, empty folder under the system's temporary folder, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Hex(const std::string& hexDigits);  // "04 00 2F" -> bytes

// Runs body in a child process with one resource limit set to value (a file
// size limit stands in for a full disk, an address-space limit for a machine
// without the memory). Returns body's result as the child's exit code, or -1
// if the child could not start or was killed.
template <typename Body>
int RunInLimitedChild(int resource, rlim_t value, Body body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
        rlimit limit{value, value};
        ::setrlimit(resource, &limit);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport

// Skips the current test with a visible message when the shared corpus is absent.
#define SKIP_WITHOUT_CORPUS()                                                              \
    do {                                                                                   \
        if (testsupport::CorpusDir().empty())                                              \
            GTEST_SKIP() << "shared corpus not found beside the project; skipping";        \
    } while (0)
