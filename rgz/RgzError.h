// Raised by the .rgz reader for a file it cannot read; offset is the byte at fault.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

class RgzFormatError : public std::runtime_error {
public:
    RgzFormatError(const std::string& what, size_t offset)
        : std::runtime_error(what + " at byte " + std::to_string(offset)), offset_(offset) {}
    size_t offset() const { return offset_; }

private:
    size_t offset_;
};

// Raised by the .rgz writer for a picture or chunk it cannot store.
class RgzEncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
