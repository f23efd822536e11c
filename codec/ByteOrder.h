// Little-endian loads and stores, shared by every reader and writer of files.
#pragma once

#include <cstdint>
#include <vector>

inline uint32_t LoadU16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t LoadU32(const uint8_t* p) { return LoadU16(p) | LoadU16(p + 2) << 16; }

inline void StoreU16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v)
{
    StoreU16(p, v);
    StoreU16(p + 2, v >> 16);
}

inline void AppendU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void AppendU32(std::vector<uint8_t>& out, uint32_t v)
{
    AppendU16(out, v);
    AppendU16(out, v >> 16);
}
