// The buffers one paint works in, shared by every view (only the user-interface
// thread paints, one view at a time). They are sized from the largest client
// area seen and grow only through Reserve, which views call when their client
// area changes, never while painting; a paint cuts its strip to what is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class StripBuffers {
public:
    static StripBuffers& Shared();

    // Makes room for the largest strip a client area of this size can need.
    void Reserve(int clientWidth, int clientHeight);

    uint8_t* Strip() { return strip_.data(); }
    int32_t* Columns() { return columns_.data(); }
    // The strip expanded through its colour table, one 32-bit pixel per strip byte.
    uint32_t* Pixels() { return pixels_.data(); }
    size_t StripBytes() const { return strip_.size(); }
    size_t ColumnEntries() const { return columns_.size(); }

private:
    StripBuffers() = default;

    std::vector<uint8_t> strip_;
    std::vector<int32_t> columns_;
    std::vector<uint32_t> pixels_;  // as many entries as strip_ has bytes
};
