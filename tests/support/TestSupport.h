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

// Runs body in a forked child. Returns body's result as the child's exit
// code, or -1 if the child could not start or was killed.
template <typename Body>
int RunInChild(Body body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs body in a child process with one resource limit set to value (a file
// size limit stands in for a full disk, an address-space limit for a machine
// without the memory).
template <typename Body>
int RunInLimitedChild(int resource, rlim_t value, Body body)
{
    return RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
        rlimit limit{value, value};
        ::setrlimit(resource, &limit);
        return body();
    });
}

// Permissions do not bind root, and the tests run as root in CI. Tests of
// permissions run their body as user and group nobody instead.
constexpr int kCannotDropPrivileges = 77;

// Gives folder to nobody (when running as root), so that the body may write there.
bool HandToUnprivilegedUser(const std::filesystem::path& folder);
// In a child process: becomes nobody when root (a no-op otherwise), then
// checks that folder can be written. False if either fails.
bool DropPrivileges(const std::filesystem::path& folder);

// Runs body in a child process as nobody, in folder; kCannotDropPrivileges
// when that is impossible here.
template <typename Body>
int RunUnprivileged(const std::filesystem::path& folder, Body body)
{
    if (!HandToUnprivilegedUser(folder))
        return kCannotDropPrivileges;
    return RunInChild([&] { return DropPrivileges(folder) ? body() : kCannotDropPrivileges; });
}

}  // namespace testsupport

// Skips the current test with a visible message when the body of a
// permission test could not run as an unprivileged user.
#define SKIP_IF_PRIVILEGES_KEPT(outcome)                                                     \
    do {                                                                                   \
        if ((outcome) == testsupport::kCannotDropPrivileges)                               \
            GTEST_SKIP() << "cannot run as an unprivileged user with this temporary folder"; \
    } while (0)

// Skips the current test with a visible message when the shared corpus is absent.
#define SKIP_WITHOUT_CORPUS()                                                              \
    do {                                                                                   \
        if (testsupport::CorpusDir().empty())                                              \
            GTEST_SKIP() << "shared corpus not found beside the project; skipping";        \
    } while (0)
