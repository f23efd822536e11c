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

// samples/two-columns.rgm: a 4 x 2 picture, columns 0-1 white, 2-3 black.
std::filesystem::path TwoColumnsSample();
std::vector<uint8_t> TwoColumnsRgm();
// A flat one-colour .rgm picture: one region seeded at (0, 0), no chains, no
// small regions; 19 bytes at most, whatever the size it claims.
std::vector<uint8_t> FlatRgm(uint32_t width, uint32_t height);

// True in a build with AddressSanitizer, which reserves terabytes of address
// space: address-space limits cannot stand in for a small machine there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Runs body in a forked child. Returns body's result as the child's exit
// code, kChildThrew if body threw, 128 + the signal if the child was killed,
// -1 if it could not start. The child never returns into the test program.
constexpr int kChildThrew = 125;
template <typename Body>
int RunInChild(Body body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int result = kChildThrew;
        try {
            result = body();
        } catch (...) {
        }
        ::_exit(result);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs body in a child process with one resource limit set to value (a file
// size limit stands in for a full disk, an address-space limit for a machine
// without the memory; 0 leaves it as it is).
template <typename Body>
int RunInLimitedChild(int resource, rlim_t value, Body body)
{
    return RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
        if (value) {
            rlimit limit{value, value};
            ::setrlimit(resource, &limit);
        }
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

// Skips the current test with a visible message under AddressSanitizer.
#define SKIP_UNDER_SANITIZER()                                                                    \
    do {                                                                                          \
        if (testsupport::kSanitized)                                                              \
            GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no memory limit"; \
    } while (0)

// Skips the current test with a visible message when the shared corpus is absent.
#define SKIP_WITHOUT_CORPUS()                                                              \
    do {                                                                                   \
        if (testsupport::CorpusDir().empty())                                              \
            GTEST_SKIP() << "shared corpus not found beside the project; skipping";        \
    } while (0)
