// Whole-file reads and crash-safe whole-file writes, shared by every save.
#pragma once

#include "codec/KarvexError.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A file could not be read or written. The message names the file and the cause.
class FileError : public KarvexError {
public:
    explicit FileError(const std::string& what, ErrorCode code = ErrorCode::FileAccess) : KarvexError(what, code) {}
};

// Writes data to a temporary file in path's folder, flushes it to disk and
// renames it over path. On any failure the temporary file is removed, path
// is left as it was, and FileError is thrown. An existing path that is not a
// regular file (a folder, a device, a pipe) is refused.
void WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size);
inline void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& data)
{
    WriteFileAtomically(path, data.data(), data.size());
}

// Reads a whole regular file. Throws FileError if it cannot be opened or
// read, is not a regular file, or is larger than maxBytes.
std::vector<uint8_t> ReadWholeFile(const std::string& path, size_t maxBytes = size_t(1) << 32);
