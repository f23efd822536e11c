// Fixed-point building blocks of the pixel-layer models: the logistic
// stretch and squash, adaptive bit counters, a logistic mixer and a
// secondary estimator. Integer arithmetic only, so every machine makes the
// same bytes.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rgz_model {

// Probabilities are P(bit == 1): 12 bits inside the mixer, 16 bits at the coder.
// The stretch domain is the logit times 256, clamped to [-2047, 2047].
constexpr int STRETCH_LIMIT = 2047;

// squash(d) = 65536 / (1 + e^(-d/256)), from 33 knots half a logit apart.
inline constexpr int SQUASH_KNOTS[33] = {
    22,    36,    60,    98,    162,   267,   439,   720,   1179,  1921,  3108,
    4971,  7812,  11955, 17625, 24743, 32768, 40793, 47911, 53581, 57724, 60565,
    62428, 63615, 64357, 64816, 65097, 65269, 65374, 65438, 65476, 65500, 65514};

constexpr int SquashInterpolated(int d)
{
    if (d > STRETCH_LIMIT)
        d = STRETCH_LIMIT;
    if (d < -STRETCH_LIMIT)
        d = -STRETCH_LIMIT;
    const int w = d & 127;
    const int j = (d >> 7) + 16;
    return (SQUASH_KNOTS[j] * (128 - w) + SQUASH_KNOTS[j + 1] * w + 64) >> 7;
}

// The same for every d in the stretch domain, looked up: it sits on every
// decision's critical path.
struct SquashTable {
    uint16_t value[2 * STRETCH_LIMIT + 1] = {};
    constexpr SquashTable()
    {
        for (int d = -STRETCH_LIMIT; d <= STRETCH_LIMIT; ++d)
            value[d + STRETCH_LIMIT] = uint16_t(SquashInterpolated(d));
    }
};
inline constexpr SquashTable SQUASH {};

inline int Squash16(int d) { return SQUASH.value[std::clamp(d, -STRETCH_LIMIT, STRETCH_LIMIT) + STRETCH_LIMIT]; }
// The same for d already in the stretch domain, such as a mixer's output.
inline int Squash16InDomain(int d) { return SQUASH.value[d + STRETCH_LIMIT]; }

// Inverse of Squash16 on 12-bit probabilities: the least d whose squash reaches p.
struct StretchTable {
    int16_t value[4096] = {};
    constexpr StretchTable()
    {
        int p = 0;
        for (int d = -STRETCH_LIMIT; d <= STRETCH_LIMIT; ++d)
            for (const int reach = SquashInterpolated(d) >> 4; p <= reach && p < 4096; ++p)
                value[p] = int16_t(d);
        for (; p < 4096; ++p)
            value[p] = STRETCH_LIMIT;
    }
};
inline constexpr StretchTable STRETCH {};

inline int Stretch(int p12) { return STRETCH.value[p12]; }

// Reciprocals 65536 / (n + 1.5) for count-based adaptation.
struct RateTable {
    uint32_t rate[1024] = {};
    constexpr RateTable()
    {
        for (int n = 0; n < 1024; ++n)
            rate[n] = uint32_t(131072 / (2 * n + 3));
    }
};
inline constexpr RateTable RATES {};

// A 32-bit adaptive counter: a 22-bit probability over a 10-bit hit count.
// It learns fast at first (1/(n+1.5)) and settles at 1/(limit+1.5).
struct Counter32 {
    static constexpr uint32_t INITIAL = (1u << 31);  // p = 1/2, n = 0

    static int P16(uint32_t v) { return int(v >> 16); }
    static int P12(uint32_t v) { return int(v >> 20); }
    static void Update(uint32_t& v, int bit, uint32_t limit)
    {
        const uint32_t n = v & 1023u;
        const int64_t p = int64_t(v >> 10);
        const int64_t target = bit ? (1 << 22) - 1 : 0;
        const int64_t next = p + (((target - p) * int64_t(RATES.rate[n])) >> 16);
        v = (uint32_t(next) << 10) | (n < limit ? n + 1 : n);
    }
};

// A 16-bit counter: a 12-bit probability over a 4-bit hit count; eight
// fit in a cache line's quarter, so one symbol's decisions share a line.
struct Counter16 {
    static constexpr uint16_t INITIAL = 0x8000;

    static int P12(uint16_t v) { return v >> 4; }
    static void Update(uint16_t& v, int bit, uint32_t limit)
    {
        static constexpr uint8_t shift[16] = {1, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4};
        const unsigned n = v & 15u;
        const int p = v & 0xFFF0;
        const int next = p + ((((bit ? 0xFFF0 : 0) - p) >> shift[n]) & ~15);
        v = uint16_t(next | int(n < limit ? n + 1 : n));
    }

    // Update on each of Lanes counters (a multiple of 8, 16-byte aligned),
    // exactly as above with a limit of 15.
    template <int Lanes> static void UpdateAll(uint16_t* v, int bit)
    {
#if defined(__SSE2__)
        // (16d >> s) & ~15 for d = target - p in 12 bits is 16 * floor(d / 2^s),
        // and floor(d / 2^s) is the high half of 8d * 2^(13 - s).
        const __m128i low4 = _mm_set1_epi16(15), target = _mm_set1_epi16(bit ? 0xFFF : 0);
        for (int i = 0; i < Lanes; i += 8) {
            __m128i* at = reinterpret_cast<__m128i*>(v + i);
            const __m128i x = _mm_load_si128(at);
            const __m128i n = _mm_and_si128(x, low4);
            const __m128i p = _mm_srli_epi16(x, 4);
            const __m128i scale = _mm_add_epi16(
                _mm_add_epi16(_mm_set1_epi16(512),
                              _mm_and_si128(_mm_cmplt_epi16(n, _mm_set1_epi16(7)), _mm_set1_epi16(512))),
                _mm_add_epi16(
                    _mm_and_si128(_mm_cmplt_epi16(n, _mm_set1_epi16(3)), _mm_set1_epi16(1024)),
                    _mm_and_si128(_mm_cmpeq_epi16(n, _mm_setzero_si128()), _mm_set1_epi16(2048))));
            const __m128i step = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(target, p), 3), scale);
            const __m128i counted = _mm_sub_epi16(n, _mm_cmplt_epi16(n, low4));
            _mm_store_si128(at, _mm_or_si128(_mm_slli_epi16(_mm_add_epi16(p, step), 4), counted));
        }
#else
        for (int i = 0; i < Lanes; ++i)
            Update(v[i], bit, 15);
#endif
    }
};

// Copies p[0, period) over p[period, n), doubling the copied part each step:
// fills a large table from its first entries at the speed of memcpy.
template <class T> void RepeatPrefix(T* p, size_t period, size_t n)
{
    size_t done = std::min(period, n);
    while (done < n) {
        const size_t step = std::min(done, n - done);
        std::memcpy(p + done, p, step * sizeof(T));
        done += step;
    }
}

// A table of counters indexed by a masked context number, aligned to cache lines.
template <class Slot, Slot Initial> class CounterTable {
public:
    explicit CounterTable(int bits = 0) { Resize(bits); }
    void Resize(int bits, int naturalBits = 0)
    {
        bits_ = bits;
        folds_ = naturalBits > bits;
        mask_ = (size_t(1) << bits) - 1;
        constexpr size_t perLine = 64 / sizeof(Slot);
        const size_t slots = mask_ + 1 + perLine;
        storage_ = std::make_unique_for_overwrite<Slot[]>(slots);
        std::fill(storage_.get(), storage_.get() + perLine, Initial);
        RepeatPrefix(storage_.get(), perLine, slots);
        const uintptr_t address = reinterpret_cast<uintptr_t>(storage_.get());
        base_ = storage_.get() + ((64 - address % 64) % 64) / sizeof(Slot);
    }
    Slot& operator[](size_t context) { return base_[context & mask_]; }
    // For direct contexts of `naturalBits` that may outgrow a table sized to a
    // small picture: then they are hashed onto it instead of cut short.
    Slot& Folded(uint32_t context)
    {
        return base_[folds_ ? context * 0x9E3779B1u >> (32 - bits_) : context & mask_];
    }
    void Prefetch(size_t context) const { __builtin_prefetch(&base_[context & mask_]); }

private:
    std::unique_ptr<Slot[]> storage_;
    Slot* base_ = nullptr;
    size_t mask_ = 0;
    int bits_ = 0;
    bool folds_ = false;
};

// The index bits of a table of `slotBytes` slots that fits in `budgetBytes`:
// at most `natural` (the bits its contexts need), at least 4.
inline int FitBits(int natural, size_t slotBytes, size_t budgetBytes)
{
    int bits = natural;
    while (bits > 4 && (slotBytes << bits) > budgetBytes)
        --bits;
    return bits;
}

using Table32 = CounterTable<uint32_t, Counter32::INITIAL>;
using Table16 = CounterTable<uint16_t, Counter16::INITIAL>;

// Logistic mixing of N stretched probabilities with one weight set chosen
// per decision; weights are 16.16 fixed point. With eight inputs or more a
// weight w is kept as two 16-bit halves, hi = w >> 16 and lo = (w & 0xFFFF) -
// 32768, so that SSE2 forms the sums of products eight lanes a step; the
// results are exactly those of the plain 32-bit weights.
template <int N> class Mixer {
    static constexpr bool SPLIT = N >= 8;
    // Inputs padded to whole steps of eight 16-bit or four 32-bit weights;
    // padded inputs stay 0, so their weights never move.
    static constexpr int M = SPLIT ? (N + 7) / 8 * 8 : (N + 3) / 4 * 4;
    // Per weight set: M weights, or M high halves then M low halves.
    static constexpr int SET_SLOTS = SPLIT ? 2 * M : M;
    using Weight = std::conditional_t<SPLIT, int16_t, int32_t>;

public:
    // rate: at most 16.
    Mixer(int sets, int rate, int initialWeight)
        : rate_(rate), weights_(std::make_unique_for_overwrite<Weight[]>(size_t(SET_SLOTS) * sets + PAD_SLOTS))
    {
        if (rate < 0 || rate > 16 || sets < 1)
            throw std::logic_error("a mixer's rate or set count is out of range");
        // Weight sets start on 16-byte boundaries for the eight-lane steps.
        const uintptr_t address = reinterpret_cast<uintptr_t>(weights_.get());
        base_ = weights_.get() + ((16 - address % 16) % 16) / sizeof(Weight);
        // The first set, then copies of it.
        Weight* w = base_;
        if constexpr (SPLIT) {
            std::fill(w, w + N, int16_t(initialWeight >> 16));
            std::fill(w + M, w + M + N, int16_t((initialWeight & 0xFFFF) - 32768));
            std::fill(w + N, w + M, int16_t(0));
            std::fill(w + M + N, w + 2 * M, int16_t(-32768));
        } else {
            std::fill(w, w + N, initialWeight);
            std::fill(w + N, w + M, 0);
        }
        RepeatPrefix(base_, size_t(SET_SLOTS), size_t(SET_SLOTS) * size_t(sets));
        // The alignment slack is never read; it is zeroed all the same.
        std::fill(weights_.get(), base_, Weight(0));
        std::fill(base_ + size_t(SET_SLOTS) * sets, weights_.get() + size_t(SET_SLOTS) * sets + PAD_SLOTS, Weight(0));
    }

    void SetP12(int i, int p12) { st_[i] = int16_t(Stretch(p12)); }
    void SetStretched(int i, int st) { st_[i] = int16_t(st); }
    // The inputs of another mixer over the same N.
    void SetInputs(const Mixer& from) { std::copy(from.st_, from.st_ + M, st_); }

    // Squash16 of the last mixed value.
    int P16() const { return p16_; }

    // The mixed stretched value under weight set `set`.
    int Mix(int set)
    {
        w_ = base_ + size_t(set) * SET_SLOTS;
        return Settle(Dot());
    }

    // Each weight moves by (st * err + 0x8000) >> 16.
    void Update(int bit)
    {
        const int miss = (bit << 12) - (p16_ >> 4);
        if constexpr (!SPLIT) {
#if defined(__SSE2__)
            // As below, four 32-bit weights a step.
            const __m128i rate = _mm_set1_epi16(int16_t(rate_)), m = _mm_set1_epi16(int16_t(miss));
            for (int i = 0; i < M; i += 4) {
                const __m128i s =
                    _mm_mullo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(st_ + i)), rate);
                const __m128i product = _mm_unpacklo_epi16(_mm_mullo_epi16(s, m), _mm_mulhi_epi16(s, m));
                const __m128i move = _mm_srai_epi32(_mm_add_epi32(product, _mm_set1_epi32(0x8000)), 16);
                __m128i* at = reinterpret_cast<__m128i*>(w_ + i);
                _mm_store_si128(at, _mm_add_epi32(_mm_load_si128(at), move));
            }
#else
            const int err = miss * rate_;
            for (int i = 0; i < N; ++i)
                w_[i] += (st_[i] * err + 0x8000) >> 16;
#endif
            return;
        }
#if defined(__SSE2__)
        const __m128i rate = _mm_set1_epi16(int16_t(rate_)), m = _mm_set1_epi16(int16_t(miss));
        for (int i = 0; i < M; i += 8)
            MoveSplit(i, _mm_mullo_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(st_ + i)), rate), m);
#else
        const int err = miss * rate_;
        for (int i = 0; i < N; ++i) {
            const int32_t w = Split(i) + ((st_[i] * err + 0x8000) >> 16);
            w_[i] = int16_t(w >> 16);
            w_[M + i] = int16_t((w & 0xFFFF) - 32768);
        }
#endif
    }

private:
    // The sum of st * w over the inputs, exactly.
    int64_t Dot() const
    {
        if constexpr (!SPLIT) {
            int64_t dot = 0;
            for (int i = 0; i < N; ++i)
                dot += int64_t(st_[i]) * w_[i];
            return dot;
        }
#if defined(__SSE2__)
        // st * w = (st * hi) * 65536 + st * lo + 32768 * st.
        __m128i sumHi = _mm_setzero_si128(), sumLo = _mm_setzero_si128(),
                sumSt = _mm_setzero_si128();
        for (int i = 0; i < M; i += 8) {
            const __m128i s = _mm_load_si128(reinterpret_cast<const __m128i*>(st_ + i));
            AddProducts(i, s, sumHi, sumLo);
            sumSt = _mm_add_epi32(sumSt, _mm_madd_epi16(s, _mm_set1_epi16(1)));
        }
        return int64_t(HorizontalSum(sumHi)) * 65536 + HorizontalSum(sumLo) +
               int64_t(HorizontalSum(sumSt)) * 32768;
#else
        int64_t dot = 0;
        for (int i = 0; i < N; ++i)
            dot += int64_t(st_[i]) * Split(i);
        return dot;
#endif
    }

    // Weight i of the current set, from its halves.
    int32_t Split(int i) const { return int32_t(uint32_t(w_[i]) << 16) + w_[M + i] + 32768; }

    // The mixed stretched value of a sum of products; keeps its probability for Update.
    int Settle(int64_t dot)
    {
        const int d = std::clamp(int(dot >> 16), -STRETCH_LIMIT, STRETCH_LIMIT);
        p16_ = Squash16InDomain(d);
        return d;
    }

#if defined(__SSE2__)
    // Adds the products of eight inputs s (from input i) with the current
    // set's high and low halves to the running sums.
    void AddProducts(int i, __m128i s, __m128i& sumHi, __m128i& sumLo) const
    {
        sumHi = _mm_add_epi32(sumHi, _mm_madd_epi16(s, _mm_load_si128(reinterpret_cast<const __m128i*>(w_ + i))));
        sumLo = _mm_add_epi32(sumLo,
                              _mm_madd_epi16(s, _mm_load_si128(reinterpret_cast<const __m128i*>(w_ + M + i))));
    }

    // Moves eight weights of the current set (from input i) by (s * miss +
    // 0x8000) >> 16, s = st * rate: st * rate fits 16 bits (|st| < 2^11,
    // rate <= 16), so that is the product's high half, plus one where its low
    // half reaches 0x8000 (reads negative). The moves fit 12 bits; a low half
    // that overflows carries into the high half.
    void MoveSplit(int i, __m128i s, __m128i miss)
    {
        const __m128i move =
            _mm_sub_epi16(_mm_mulhi_epi16(s, miss), _mm_srai_epi16(_mm_mullo_epi16(s, miss), 15));
        __m128i* hiAt = reinterpret_cast<__m128i*>(w_ + i);
        __m128i* loAt = reinterpret_cast<__m128i*>(w_ + M + i);
        const __m128i lo = _mm_load_si128(loAt);
        const __m128i sum = _mm_add_epi16(lo, move);
        // Where the saturated sum differs, the low half wrapped: by +1 or -1
        // by the move's sign.
        const __m128i same = _mm_cmpeq_epi16(sum, _mm_adds_epi16(lo, move));
        const __m128i carry = _mm_andnot_si128(same, _mm_or_si128(_mm_srai_epi16(move, 15), _mm_set1_epi16(1)));
        _mm_store_si128(loAt, sum);
        _mm_store_si128(hiAt, _mm_add_epi16(_mm_load_si128(hiAt), carry));
    }

    static int32_t HorizontalSum(__m128i v)
    {
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
        return _mm_cvtsi128_si32(v);
    }
#endif

    static constexpr size_t PAD_SLOTS = 16 / sizeof(Weight);
    template <int, int> friend class MixerGroup;

    int rate_;
    std::unique_ptr<Weight[]> weights_;
    Weight* base_ = nullptr;
    Weight* w_ = nullptr;
    alignas(16) int16_t st_[M] = {};
    int p16_ = 32768;
};

// K mixers of eight inputs or more at one rate that weigh the same inputs,
// each under its own weight set: the inputs are set once, the K sums of
// products formed in one pass over them and the K sets moved in another. The
// results are exactly those of K separate mixers.
template <int N, int K> class MixerGroup {
    using One = Mixer<N>;
    static_assert(One::SPLIT, "a mixer group needs split weights");

public:
    // sets: each mixer's weight-set count.
    MixerGroup(const std::array<int, K>& sets, int rate, int initialWeight)
        : MixerGroup(sets, rate, initialWeight, std::make_index_sequence<K>())
    {
    }

    void SetP12(int i, int p12) { mixer_[0].SetP12(i, p12); }
    void SetStretched(int i, int st) { mixer_[0].SetStretched(i, st); }

    // The mixed stretched values, mixer k's under its weight set set[k].
    std::array<int, K> Mix(const std::array<int, K>& set)
    {
        std::array<int, K> d {};
#if defined(__SSE2__)
        __m128i sumHi[K], sumLo[K], sumSt = _mm_setzero_si128();
        for (int k = 0; k < K; ++k) {
            mixer_[k].w_ = mixer_[k].base_ + size_t(set[k]) * One::SET_SLOTS;
            sumHi[k] = sumLo[k] = _mm_setzero_si128();
        }
        for (int i = 0; i < One::M; i += 8) {
            const __m128i s = _mm_load_si128(reinterpret_cast<const __m128i*>(mixer_[0].st_ + i));
            for (int k = 0; k < K; ++k)
                mixer_[k].AddProducts(i, s, sumHi[k], sumLo[k]);
            sumSt = _mm_add_epi32(sumSt, _mm_madd_epi16(s, _mm_set1_epi16(1)));
        }
        const int64_t offset = int64_t(One::HorizontalSum(sumSt)) * 32768;
        for (int k = 0; k < K; ++k)
            d[k] = mixer_[k].Settle(int64_t(One::HorizontalSum(sumHi[k])) * 65536 +
                                    One::HorizontalSum(sumLo[k]) + offset);
#else
        for (int k = 0; k < K; ++k) {
            mixer_[k].SetInputs(mixer_[0]);
            d[k] = mixer_[k].Mix(set[k]);
        }
#endif
        return d;
    }

    void Update(int bit)
    {
#if defined(__SSE2__)
        const __m128i rate = _mm_set1_epi16(int16_t(mixer_[0].rate_));
        __m128i miss[K];
        for (int k = 0; k < K; ++k)
            miss[k] = _mm_set1_epi16(int16_t((bit << 12) - (mixer_[k].p16_ >> 4)));
        for (int i = 0; i < One::M; i += 8) {
            const __m128i s =
                _mm_mullo_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(mixer_[0].st_ + i)), rate);
            for (int k = 0; k < K; ++k)
                mixer_[k].MoveSplit(i, s, miss[k]);
        }
#else
        for (auto& mixer : mixer_)
            mixer.Update(bit);
#endif
    }

private:
    template <size_t... I>
    MixerGroup(const std::array<int, K>& sets, int rate, int initialWeight, std::index_sequence<I...>)
        : mixer_ {One(sets[I], rate, initialWeight)...}
    {
    }

    std::array<One, K> mixer_;  // the inputs are kept in the first
};

// Secondary estimation: refines a stretched probability within a context by
// interpolating between 33 learned knots.
class Apm {
public:
    // Context numbers fold onto `contexts`, a power of two.
    Apm(int contexts, int rateShift)
        : rateShift_(rateShift), mask_(contexts - 1), shift_(__builtin_ctz(unsigned(contexts))),
          knots_(std::make_unique_for_overwrite<uint16_t[]>(size_t(contexts) * 33))
    {
        for (int j = 0; j < 33; ++j)
            knots_[size_t(j)] = uint16_t(Squash16((j - 16) * 128));
        RepeatPrefix(knots_.get(), 33, size_t(contexts) * 33);
    }

    // 16-bit probability for stretched value d in context c.
    int Refine(int d, int c)
    {
        const int s = d + 2048;  // 1 .. 4095
        const int lo = s >> 7, w = s & 127;
        c = (c ^ (c >> shift_)) & mask_;
        uint16_t* k = &knots_[size_t(c) * 33 + lo];
        index_ = w < 64 ? k : k + 1;
        // k[0] (128 - w) + k[1] w, with one product.
        return (k[0] * 128 + (k[1] - k[0]) * w) >> 7;
    }

    void Update(int bit)
    {
        const int target = bit ? 65535 : 0;
        *index_ = uint16_t(*index_ + ((target - int(*index_)) >> rateShift_));
    }

private:
    int rateShift_;
    int mask_, shift_;
    std::unique_ptr<uint16_t[]> knots_;
    uint16_t* index_ = nullptr;
};

// Spreads the bits of a packed context over a table index.
constexpr uint32_t Hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// Hash(a, b) = Hash(a ^ HashSalt(b)); a salt of few values can be looked up.
constexpr uint32_t HashSalt(uint32_t b) { return Hash(b + 0x9E3779B9u); }
constexpr uint32_t Hash(uint32_t a, uint32_t b) { return Hash(a ^ HashSalt(b)); }

// HashSalt(i | tag) for i below Count.
template <int Count> struct SaltTable {
    uint32_t of[Count] = {};
    constexpr explicit SaltTable(uint32_t tag)
    {
        for (int i = 0; i < Count; ++i)
            of[i] = HashSalt(uint32_t(i) | tag);
    }
};

// A 16-bit probability the coder accepts.
inline uint32_t CoderP(int p16) { return p16 < 1 ? 1u : (p16 > 65535 ? 65535u : uint32_t(p16)); }

}  // namespace rgz_model
