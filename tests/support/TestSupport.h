// Small helpers shared by the test programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
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

}  // namespace testsupport

// Skips the current test with a visible message when the shared corpus is absent.
#define SKIP_WITHOUT_CORPUS()                                                              \
    do {                                                                                   \
        if (testsupport::CorpusDir().empty())                                              \
            GTEST_SKIP() << "shared corpus not found beside the project; skipping";        \
    } while (0)
