// The buffers one paint works in, shared by every view (only the user-interface
// thread paints, one view at a time). They start at 8 MiB of strip and 4096
// column entries and grow only through Reserve, which views call when their
// client area changes, never while painting.
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
    size_t StripBytes() const { return strip_.size(); }
    size_t ColumnEntries() const { return columns_.size(); }

    static constexpr size_t kInitialStripBytes = 8u << 20;
    static constexpr size_t kInitialColumns = 4096;

private:
    StripBuffers();

    std::vector<uint8_t> strip_;
    std::vector<int32_t> columns_;
};
