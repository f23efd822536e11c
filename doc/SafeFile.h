// Whole-file reads and crash-safe whole-file writes, shared by every save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A file could not be read or written. The message names the file and the cause.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes data to a temporary file in the target's folder, flushes it to disk
// and renames it over the target. On any failure the temporary file is
// removed, the target is left as it was, and FileError is thrown; so is it
// when SIGINT, SIGTERM or SIGHUP ends the process meanwhile.
// - A symbolic link is followed: the file it names is replaced, the link stays.
// - The new file keeps the replaced file's mode, and its owner and group where
//   this process may set them.
// - An existing target that is not a regular file (a folder, a device, a pipe),
//   or that this process could not open for writing, is refused.
// - A file with several hard links is overwritten in place once the full new
//   content is on disk in the temporary file, so every name sees it.
void WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size);
inline void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& data)
{
    WriteFileAtomically(path, data.data(), data.size());
}

// Reads a whole regular file. Throws FileError if it cannot be opened or
// read, is not a regular file, or is larger than maxBytes.
std::vector<uint8_t> ReadWholeFile(const std::string& path, size_t maxBytes = size_t(1) << 32);
