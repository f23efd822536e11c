// Raised by the .rgz reader for a file it cannot read; offset is the byte at fault.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

class RgzFormatError : public std::runtime_error {
public:
    RgzFormatError(const std::string& what, size_t offset)
        : std::runtime_error(what + " at byte " + std::to_string(offset)), reason_(what), offset_(offset) {}
    size_t offset() const { return offset_; }
    // The message without the byte, for a caller that names the byte itself.
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
    size_t offset_;
};

// Raised by the .rgz writer for a picture or chunk it cannot store.
class RgzEncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
