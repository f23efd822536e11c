// Runs the rgm tool in a child process under resource limits and collects
// its exit code and standard error, for the fault and limit tests.
#pragma once

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace clitest {

struct Outcome {
    int exitCode = -1;  // 128 + signal when the tool was killed
    std::string stderrText;
};

// Limits for the child; 0 leaves a limit as it is.
struct Limits {
    rlim_t fileSize = 0;      // stands in for a full disk (writes past it fail with EFBIG)
    rlim_t addressSpace = 0;  // stands in for a machine without the memory
    bool unprivileged = false;              // run as nobody (see testsupport::RunUnprivileged)
    const char* standardOutput = "/dev/null";
};

inline void Apply(int resource, rlim_t value)
{
    if (value) {
        rlimit limit{value, value};
        ::setrlimit(resource, &limit);
    }
}

// Runs the tool with args; scratch holds the captured stderr meanwhile.
inline Outcome RunTool(const std::vector<std::string>& args, const std::filesystem::path& scratch,
                       Limits limits = {})
{
    const std::string errPath = (scratch / "stderr.txt").string();
    const pid_t child = ::fork();
    if (child == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(err, 2);
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(limits.standardOutput, O_WRONLY), 1);
        if (limits.unprivileged && !testsupport::DropPrivileges(scratch))
            ::_exit(testsupport::kCannotDropPrivileges);
        std::signal(SIGXFSZ, SIG_IGN);
        Apply(RLIMIT_FSIZE, limits.fileSize);
        Apply(RLIMIT_AS, limits.addressSpace);
        std::vector<char*> argv{const_cast<char*>(KARVEX_RGM_TOOL)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Outcome out;
    int status = 0;
    ::waitpid(child, &status, 0);
    out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const std::vector<uint8_t> err = testsupport::ReadBytes(errPath);
    out.stderrText.assign(err.begin(), err.end());
    std::filesystem::remove(errPath);
    return out;
}

// Exit 1 with exactly one line on stderr that mentions the given text.
inline void ExpectOneLineError(const Outcome& o, const std::string& mentions)
{
    EXPECT_EQ(o.exitCode, 1);
    ASSERT_FALSE(o.stderrText.empty());
    EXPECT_EQ(o.stderrText.find('\n'), o.stderrText.size() - 1) << o.stderrText;
    EXPECT_NE(o.stderrText.find(mentions), std::string::npos) << o.stderrText;
}

}  // namespace clitest
