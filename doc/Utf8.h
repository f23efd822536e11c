// Checking text for well-formed UTF-8.
#pragma once

#include <cstddef>
#include <string_view>

// Length of the well-formed UTF-8 character at text[i] (1 for ASCII), or 0
// when the bytes there are not one: NUL, stray or cut-off bytes, overlong
// forms, surrogates, values above U+10FFFF.
size_t Utf8SequenceAt(std::string_view text, size_t i);

// Offset of the first byte that does not start a well-formed character;
// text.size() when there is none.
size_t FirstInvalidUtf8(std::string_view text);
