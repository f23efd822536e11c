#include "doc/SafeFile.h"

#include "doc/TemporaryFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
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

std::string NameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const uint8_t* data, size_t size, off_t offset = -1)
{
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, offset);
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
        if (offset >= 0)
            offset += n;
    }
    return true;
}

// The file a save to path replaces: symbolic links are followed to the file
// they name (which need not exist yet), so the link itself stays a link.
std::string FollowLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> text(size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), text.data(), text.size());
        if (n < 0 || size_t(n) == text.size())
            throw FileError(Describe(path, "cannot follow the link", n < 0 ? errno : ENAMETOOLONG));
        const std::string target(text.data(), size_t(n));
        current = target[0] == '/' ? target : FolderOf(current) + "/" + target;
    }
    throw FileError(Describe(path, "cannot follow the link", ELOOP));
}

// A short name for the temporary file: a dot, at most 40 bytes of the
// target's name (cut at a character boundary), a dot and six random letters.
// It stays far below the 255-byte limit whatever the target's name.
std::string TemporaryName(const std::string& targetName)
{
    size_t keep = std::min<size_t>(targetName.size(), 40);
    while (keep > 0 && keep < targetName.size() && (uint8_t(targetName[keep]) & 0xC0) == 0x80)
        --keep;  // do not split a UTF-8 sequence
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    uint8_t random[6] = {};
    if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) {
        const uint64_t fallback = uint64_t(::getpid()) * 2654435761u ^ uint64_t(::time(nullptr));
        std::memcpy(random, &fallback, sizeof random);
    }
    std::string name = "." + targetName.substr(0, keep) + ".";
    for (uint8_t r : random)
        name += kLetters[r % (sizeof kLetters - 1)];
    return name;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd) { Close(); fd_ = fd; }
    int Close()
    {
        const int rc = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

// The new file takes the replaced file's owner and group where this process
// may set them (the group alone when only that is allowed), then its mode;
// setting the owner first keeps chown from clearing set-id bits after chmod.
void TakeOwnerAndMode(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), old.st_gid);
    ::fchmod(fd, old.st_mode & 07777);
}

}  // namespace

void WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size)
{
    const std::string target = FollowLinks(path);

    // Only regular files are replaced: renaming over a folder, a device or a
    // pipe would destroy something that is not a picture. A file the user
    // could not open for writing is refused, though the folder would allow
    // renaming over it.
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    FileDescriptor original;
    if (replacing) {
        if (S_ISDIR(old.st_mode))
            throw FileError(path + ": is a folder");
        if (!S_ISREG(old.st_mode))
            throw FileError(path + ": is not a regular file");
        original.reset(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        if (original.get() < 0)
            throw FileError(Describe(path, "cannot open for writing", errno));
    }
    const bool inPlace = replacing && old.st_nlink > 1;
    if (!inPlace)
        original.Close();

    // The temporary file sits in the target's folder so the rename stays on
    // one file system. It is private until its mode is set at the end.
    const FileDescriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0)
        throw FileError(Describe(path, "cannot create", errno));
    TemporaryFileGuard guard;
    std::string temp;
    FileDescriptor out;
    for (int attempt = 0; out.get() < 0; ++attempt) {
        temp = TemporaryName(NameOf(target));
        const TerminationSignalsHeld held;  // no signal between creating and registering
        out.reset(::openat(folder.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           replacing ? 0600 : 0666));
        if (out.get() >= 0)
            guard.Track(folder.get(), temp.c_str());
        else if (errno != EEXIST || attempt == 100)
            throw FileError(Describe(path, "cannot create", errno));
    }

    auto fail = [&](const char* what) {
        const int err = errno;
        out.Close();
        ::unlinkat(folder.get(), temp.c_str(), 0);
        throw FileError(Describe(path, what, err));
    };
    if (!WriteAll(out.get(), data, size) || ::fsync(out.get()) != 0)
        fail("cannot write");

    if (inPlace) {
        // Every hard link must see the new picture, so the original file is
        // overwritten in place, from the full copy already on disk: space is
        // reserved first, and signals wait until the copy is complete. Should
        // the copy fail halfway, the temporary file keeps the new picture.
        out.Close();
        const TerminationSignalsHeld held;
        if (size > 0 && ::fallocate(original.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0 &&
            errno != EOPNOTSUPP && errno != ENOSYS)
            fail("cannot write");
        if (!WriteAll(original.get(), data, size, 0) || ::ftruncate(original.get(), off_t(size)) != 0 ||
            ::fsync(original.get()) != 0) {
            const int err = errno;
            guard.Forget();
            throw FileError(Describe(path, "cannot write in place", err) + "; the new picture is in " +
                            FolderOf(target) + "/" + temp);
        }
        ::unlinkat(folder.get(), temp.c_str(), 0);
        return;
    }

    if (replacing)
        TakeOwnerAndMode(out.get(), old);
    if (out.Close() != 0)
        fail("cannot write");
    if (::renameat(folder.get(), temp.c_str(), folder.get(), NameOf(target).c_str()) != 0)
        fail("cannot replace");
    guard.Forget();
    // Make the rename itself durable.
    ::fsync(folder.get());
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
        throw FileError(path + ": file too large");
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(st.st_size));
    } catch (const std::bad_alloc&) {
        throw FileError(path + ": not enough memory to read the file");
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
