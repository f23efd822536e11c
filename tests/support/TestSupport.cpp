#include "support/TestSupport.h"

#include "codec/ByteOrder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <grp.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

fs::path SharedDir()
{
    const char* env = std::getenv("KARVEX_SHARED_DIR");
    fs::path dir = env && *env ? fs::path(env) : fs::path(KARVEX_SHARED_DIR);
    std::error_code ec;
    return fs::is_directory(dir, ec) ? dir : fs::path();
}

fs::path CorpusDir()
{
    const fs::path shared = SharedDir();
    std::error_code ec;
    if (shared.empty() || !fs::is_directory(shared / "corpus", ec))
        return {};
    return shared / "corpus";
}

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "karvex-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

constexpr uid_t kNobody = 65534;

bool HandToUnprivilegedUser(const fs::path& folder)
{
    return ::geteuid() != 0 || ::chown(folder.c_str(), kNobody, kNobody) == 0;
}

bool DropPrivileges(const fs::path& folder)
{
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        return false;
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<uint8_t> Hex(const std::string& hexDigits)
{
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : hexDigits) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(uint8_t(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

fs::path TwoColumnsSample() { return fs::path(KARVEX_SOURCE_DIR) / "samples" / "two-columns.rgm"; }

std::vector<uint8_t> TwoColumnsRgm() { return ReadBytes(TwoColumnsSample()); }

std::vector<uint8_t> FlatRgm(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> b(8);
    StoreU16(b.data(), width);
    StoreU16(b.data() + 2, height);
    b[4] = 1, b[5] = b[6] = b[7] = 0x80;  // one grey colour
    b.resize(b.size() + (width > 256 || height > 256 ? 5 : 3), 0);  // colour 0 at (0, 0)
    for (const int byte : {0xFF, 0, 0, 0, 0, 0xFF})  // end of seeds, no chains, no small regions
        b.push_back(uint8_t(byte));
    return b;
}

}  // namespace testsupport
