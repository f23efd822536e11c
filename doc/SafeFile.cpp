#include "doc/SafeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Describe(const std::string& path, const char* what, int err)
{
    return path + ": " + what + ": " + std::strerror(err);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

void WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size)
{
    // Only regular files are replaced: renaming over a folder, a device or a
    // pipe would destroy something that is not a picture.
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0) {
        if (S_ISDIR(target.st_mode))
            throw FileError(path + ": is a folder");
        if (!S_ISREG(target.st_mode))
            throw FileError(path + ": is not a regular file");
    }

    // The temporary name sits in the target's folder so the rename stays on one file system.
    std::string temp = path + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        throw FileError(Describe(path, "cannot create", errno));
    temp.assign(name.data());

    auto fail = [&](const char* what) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        throw FileError(Describe(path, what, err));
    };
    if (!WriteAll(fd, data, size))
        fail("cannot write");
    if (::fsync(fd) != 0)
        fail("cannot write");
    // mkstemp makes the file private; give it the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw FileError(Describe(path, "cannot write", err));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw FileError(Describe(path, "cannot replace", err));
    }
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::vector<uint8_t> ReadWholeFile(const std::string& path, size_t maxBytes)
{
    // O_NONBLOCK keeps a pipe from blocking the open; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw FileError(Describe(path, "cannot open", errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw FileError(Describe(path, "cannot read", errno));
    if (!S_ISREG(st.st_mode))
        throw FileError(path + ": not a regular file");
    if (uint64_t(st.st_size) > maxBytes)
        throw FileError(path + ": file too large", ErrorCode::FileTooLarge);
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(st.st_size));
    } catch (const std::bad_alloc&) {
        throw FileError(path + ": not enough memory to read the file", ErrorCode::NoMemory);
    }

    // Read to the end of the file; one byte more than fstat promised, or one
    // less, means the file changed while being read.
    auto readSome = [&](uint8_t* into, size_t room) {
        for (;;) {
            const ssize_t n = ::read(fd, into, room);
            if (n >= 0)
                return size_t(n);
            if (errno != EINTR)
                throw FileError(Describe(path, "cannot read", errno));
        }
    };
    for (size_t have = 0; have < bytes.size();) {
        const size_t n = readSome(bytes.data() + have, bytes.size() - have);
        if (n == 0)
            throw FileError(path + ": file changed while being read");
        have += n;
    }
    uint8_t probe;
    if (readSome(&probe, 1) != 0)
        throw FileError(path + ": file changed while being read");
    return bytes;
}
