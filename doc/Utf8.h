// Checking text for well-formed UTF-8.
#pragma once

#include <cstddef>
#include <string_view>

// Offset of the first byte that is NUL or not part of well-formed UTF-8
// (stray or cut-off bytes, overlong forms, surrogates, values above
// U+10FFFF); text.size() when there is none.
size_t FirstInvalidUtf8(std::string_view text);
