#include "doc/Utf8.h"

#include <cstdint>

size_t Utf8SequenceAt(std::string_view text, size_t i)
{
    const auto byte = [&](size_t k) { return i + k < text.size() ? uint8_t(text[i + k]) : uint8_t(0); };
    const uint8_t lead = byte(0);
    if (lead < 0x80)
        return lead != 0 && i < text.size() ? 1 : 0;
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if ((byte(k) & 0xC0) != 0x80)
            return 0;
    return length;
}

size_t FirstInvalidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const size_t length = Utf8SequenceAt(text, i);
        if (length == 0)
            return i;
        i += length;
    }
    return i;
}
