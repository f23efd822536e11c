// Runs the rgm tool in a child process, optionally under resource limits, and
// collects its exit code and output, for the tool, fault and limit tests.
#pragma once

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace clitest {

struct Outcome {
    int exitCode = -1;  // 128 + signal when the tool was killed
    std::string stderrText;
    std::string stdoutText;
};

// Limits for the child; 0 leaves a limit as it is.
struct Limits {
    rlim_t fileSize = 0;      // stands in for a full disk (writes past it fail with EFBIG)
    rlim_t addressSpace = 0;  // stands in for a machine without the memory
    bool unprivileged = false;              // run as nobody (see testsupport::RunUnprivileged)
    const char* standardOutput = nullptr;  // null: captured into Outcome::stdoutText
};

// Runs the tool with args in the folder workDir.
inline Outcome RunTool(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                       Limits limits = {})
{
    const testsupport::TempDir captures;
    const std::string outPath = captures / "stdout.txt", errPath = captures / "stderr.txt";
    Outcome out;
    out.exitCode = testsupport::RunInLimitedChild(RLIMIT_AS, limits.addressSpace, [&] {
        if (limits.fileSize) {
            rlimit limit{limits.fileSize, limits.fileSize};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        if (limits.standardOutput)
            ::dup2(::open(limits.standardOutput, O_WRONLY), 1);
        else
            ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        if (limits.unprivileged && !testsupport::DropPrivileges(workDir))
            return testsupport::kCannotDropPrivileges;
        if (::chdir(workDir.c_str()) != 0)
            return 126;
        std::vector<char*> argv{const_cast<char*>(KARVEX_RGM_TOOL)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        return 127;
    });
    const std::vector<uint8_t> err = testsupport::ReadBytes(errPath);
    out.stderrText.assign(err.begin(), err.end());
    if (!limits.standardOutput) {
        const std::vector<uint8_t> text = testsupport::ReadBytes(outPath);
        out.stdoutText.assign(text.begin(), text.end());
    }
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
