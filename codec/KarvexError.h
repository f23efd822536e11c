// Errors carry a code beside their message: callers decide by the code
// (and may word their own message from it), never by the English text.
#pragma once

#include <stdexcept>
#include <string>

enum class ErrorCode {
    FileAccess = 1,  // a file cannot be opened, read, created, written or replaced
    FileTooLarge,    // a file is larger than Limits::maxFileBytes
    NoMemory,        // the memory a picture needs cannot be had
    TooLarge,        // a picture's side or pixel count is above the limits
    NoPixels,        // a picture has a width or height of 0
    Truncated,       // a file ends inside the data it announces
    Malformed,       // a file's data breaks its format's rules
    Unsupported,     // a valid file of a kind Karvex does not read (CMYK JPEG, some BMPs)
    CannotEncode,    // the picture cannot be stored in the chosen format
    UnknownFormat,   // no reader (or writer) for the file name's extension
};

// Base of every error the codec and the document core throw.
class KarvexError : public std::runtime_error {
public:
    KarvexError(const std::string& what, ErrorCode code) : std::runtime_error(what), code_(code) {}
    ErrorCode code() const noexcept { return code_; }

private:
    ErrorCode code_;
};
