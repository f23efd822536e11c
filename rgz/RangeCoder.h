// Binary adaptive range coder with LZMA-style carry handling.
//
// Probabilities are the chance of a 1 in units of 1/65536, clamped to
// [1, 65535]; the models own them. A 1 takes the low part of the range.
// The encoder drops the first output byte (always 0) and flushes four bytes,
// so the decoder reads exactly the bytes the encoder wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rgz_detail {
constexpr uint32_t RANGE_TOP = 1u << 24;
inline uint32_t ClampProbability(uint32_t p1)
{
    return p1 < 1 ? 1 : (p1 > 65535 ? 65535 : p1);
}
}  // namespace rgz_detail

class RangeEncoder {
public:
    void EncodeBit(uint32_t p1, int bit)
    {
        const uint32_t bound = (range_ >> 16) * rgz_detail::ClampProbability(p1);
        if (bit) {
            range_ = bound;
        } else {
            low_ += bound;
            range_ -= bound;
        }
        while (range_ < rgz_detail::RANGE_TOP) {
            range_ <<= 8;
            ShiftLow();
        }
    }

    // The low `bits` bits of value (at most 32), highest first, each at 1/2.
    void EncodeBypass(uint32_t value, int bits)
    {
        while (bits-- > 0) {
            range_ >>= 1;
            if ((value >> bits) & 1u)
                low_ += range_;
            while (range_ < rgz_detail::RANGE_TOP) {
                range_ <<= 8;
                ShiftLow();
            }
        }
    }

    // Flushes and hands over the coded bytes; the encoder starts afresh.
    std::vector<uint8_t> Finish()
    {
        for (int i = 0; i < 5; ++i)
            ShiftLow();
        std::vector<uint8_t> out;
        out.swap(out_);
        *this = RangeEncoder();
        return out;
    }

    // Bytes written so far (the pending carry bytes not counted).
    size_t BytesWritten() const { return out_.size(); }

private:
    void ShiftLow()
    {
        if (uint32_t(low_) < 0xFF000000u || (low_ >> 32) != 0) {
            const uint8_t carry = uint8_t(low_ >> 32);
            uint8_t pending = cache_;
            do {
                if (started_)
                    out_.push_back(uint8_t(pending + carry));
                started_ = true;
                pending = 0xFF;
            } while (--cacheSize_ != 0);
            cache_ = uint8_t(uint32_t(low_) >> 24);
        }
        ++cacheSize_;
        low_ = uint32_t(low_) << 8;
    }

    uint64_t low_ = 0;
    uint32_t range_ = 0xFFFFFFFFu;
    uint8_t cache_ = 0;
    uint64_t cacheSize_ = 1;
    bool started_ = false;  // the first byte out is always 0 and is dropped
    std::vector<uint8_t> out_;
};

class RangeDecoder {
public:
    // Reading past end yields zeros and sets overrun().
    RangeDecoder(const uint8_t* begin, const uint8_t* end) : begin_(begin), pos_(begin), end_(end)
    {
        for (int i = 0; i < 4; ++i)
            code_ = (code_ << 8) | NextByte();
    }

    int DecodeBit(uint32_t p1)
    {
        const uint32_t bound = (range_ >> 16) * rgz_detail::ClampProbability(p1);
        int bit;
        if (code_ < bound) {
            range_ = bound;
            bit = 1;
        } else {
            code_ -= bound;
            range_ -= bound;
            bit = 0;
        }
        Normalize();
        return bit;
    }

    uint32_t DecodeBypass(int bits)
    {
        uint32_t value = 0;
        while (bits-- > 0) {
            range_ >>= 1;
            uint32_t bit = 0;
            if (code_ >= range_) {
                code_ -= range_;
                bit = 1;
            }
            value = (value << 1) | bit;
            Normalize();
        }
        return value;
    }

    bool overrun() const { return overrun_; }
    // True once every byte is read and they are exactly the encoder's: the
    // code stayed inside the range throughout and ends at the flushed low
    // end. Other bytes could decode the same symbols.
    bool AtCanonicalEnd() const { return !overrun_ && !outside_ && pos_ == end_ && code_ == 0; }
    // Bytes consumed so far (past-the-end reads included).
    size_t offset() const { return size_t(pos_ - begin_) + extra_; }

private:
    // The encoder's bytes keep code_ below range_, so its top byte is 0 when
    // the range is shifted; a stream that left the range could otherwise
    // wrap back into it and read as the same symbols.
    void Normalize()
    {
        while (range_ < rgz_detail::RANGE_TOP) {
            outside_ |= (code_ >> 24) != 0;
            range_ <<= 8;
            code_ = (code_ << 8) | NextByte();
        }
    }

    uint32_t NextByte()
    {
        if (pos_ < end_)
            return *pos_++;
        overrun_ = true;
        ++extra_;
        return 0;
    }

    const uint8_t* begin_;
    const uint8_t* pos_;
    const uint8_t* end_;
    uint32_t code_ = 0;
    uint32_t range_ = 0xFFFFFFFFu;
    size_t extra_ = 0;
    bool overrun_ = false;
    bool outside_ = false;
};
