// Crack coding with a causal template of the crack bits nearby.
#include "rgz/CrackLayer.h"

#include "rgz/CoderIo.h"
#include "rgz/ModelPrimitives.h"
#include "rgz/RgzError.h"
#include "rgz/RunRegions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Template: the crack bits (2 each) of the two pixels to the left and of the
// four pixels above from x-1 to x+2: 12 bits, then 3 bits of line geometry.
constexpr unsigned TEMPLATE_BITS = 12;
constexpr unsigned MAX_RUN = 255;
// Entries of margin on each side of the rows of crack bits.
constexpr int ROW_MARGIN = 16;

// The two decisions at a vertex (its right arm, then its down arm when not
// forced) from three contexts mixed: the 12-bit template, the line geometry
// with the nearest cracks, and a wider template over three rows. The best
// level adds the run lengths of the lines, a far template (two more pixels
// to each side) and the distances to the nearest cracks along the rows, and
// weighs its mixer against a second one chosen by the near template.
// Vertices with no crack nearby and no line to continue take one adaptive bit;
// inside a stretch known to hold a birth, one by how much of it is left (the
// less is left, the likelier the birth at each vertex; from version 3 on).
class CrackPredictor {
public:
    // The hashed tables grow with the picture up to 2^18 counters, so that
    // small pictures do not pay for clearing large ones.
    // classBits: the bits of the line geometry class (3 before version 3).
    CrackPredictor(RgzLevel level, uint64_t pixels, unsigned classBits)
        : best_(level == RgzLevel::Best), classBits_(classBits), near_(TEMPLATE_BITS + 2),
          geometry_(int(classBits) + 6 + 2), wide_(HashedBits(pixels)), lengths_(best_ ? HashedBits(pixels) : 0),
          far_(best_ ? HashedBits(pixels) : 0), distances_(best_ ? HashedBits(pixels) : 0),
          history_(best_ && classBits > 3 ? HashedBits(pixels) : 0),
          mixer_(best_ ? 1 : 4 * 3 << classBits, MixerRate(classBits), INITIAL_WEIGHT),
          apm_(best_ ? ApmContexts(classBits, pixels) : 1, 7),
          bestMixers_({best_ ? 4 * 3 << classBits : 1, best_ ? 256 * 3 : 1}, MixerRate(classBits), INITIAL_WEIGHT),
          bestFinal_(best_ ? 3 : 1, 1, 65536 / 2)
    {
    }

    AdaptiveBit quiet;
    AdaptiveBit quietIn[17];  // by the bit count of what is left of a stretch known to hold a birth
    AdaptiveBit quietStretch[17];  // by the stretch length's bit count: a birth somewhere in it
    AdaptiveBit firstRowLeft[16];
    AdaptiveBit firstColumnTop[64];

    // Sets the contexts of the vertex's decisions.
    void At(unsigned tmpl, unsigned geometry, unsigned nearby, uint32_t wide)
    {
        tmpl_ = tmpl;
        geometryCtx_ = geometry << 6 | nearby;
        wideHash_ = wide * 0x9E3779B1u;
        set_ = (tmpl >> 6 & 1) << 1 | (tmpl >> 1 & 1);  // up, left arms
        set_ = ((set_ << classBits_) + geometry) * 3;
    }

    // The best level's further contexts: the run lengths of the lines (as
    // LineGeometry::Lengths and History pack them), the far template and
    // the distances along the rows, each already packed.
    void AtBest(unsigned lengths, uint32_t history, uint32_t farHash, uint32_t distances)
    {
        lengthsHash_ = (lengths << 12 | (tmpl_ & 0xFFF)) * 0x2545F491u;
        historyHash_ = (history << 8 | (tmpl_ & 0xFF)) * 0x9E3779B1u;
        farHash_ = farHash;
        distancesHash_ = distances * 0x2545F491u;
    }

    // decision 0: the right arm; 1 + r: the down arm after right arm r.
    template <typename Io>
    int Code(Io& io, unsigned decision, int bit)
    {
        if (best_)
            return CodeBest(io, decision, bit);
        uint32_t& a = near_[tmpl_ | decision << TEMPLATE_BITS];
        uint32_t& b = geometry_[geometryCtx_ | decision << (classBits_ + 6)];
        uint32_t& c = wide_[(wideHash_ + decision * 0x632BE5ABu) >> 14];
        mixer_.SetP12(0, rgz_model::Counter32::P12(a));
        mixer_.SetP12(1, rgz_model::Counter32::P12(b));
        mixer_.SetP12(2, rgz_model::Counter32::P12(c));
        mixer_.SetP12(3, BIAS_P12);
        mixer_.Mix(int(set_ + decision));
        bit = io.CodeP(rgz_model::CoderP(mixer_.P16()), bit);
        mixer_.Update(bit);
        const uint32_t limit = 255;
        rgz_model::Counter32::Update(a, bit, limit);
        rgz_model::Counter32::Update(b, bit, limit);
        rgz_model::Counter32::Update(c, bit, limit);
        return bit;
    }

private:
    template <typename Io>
    int CodeBest(Io& io, unsigned decision, int bit)
    {
        const uint32_t salt = decision * 0x632BE5ABu;
        uint32_t* const slots[BEST_INPUTS - 1] = {&near_[tmpl_ | decision << TEMPLATE_BITS],
                                                  &geometry_[geometryCtx_ | decision << (classBits_ + 6)],
                                                  &wide_[(wideHash_ + salt) >> 14],
                                                  &lengths_[(lengthsHash_ + salt) >> 14],
                                                  &far_[(farHash_ + salt) >> 14],
                                                  &distances_[(distancesHash_ + salt) >> 14],
                                                  classBits_ > 3 ? &history_[(historyHash_ + salt) >> 14] : &silent_};
        for (int i = 0; i < BEST_INPUTS - 1; ++i)
            bestMixers_.SetP12(i, rgz_model::Counter32::P12(*slots[i]));
        bestMixers_.SetP12(BEST_INPUTS - 1, BIAS_P12);
        const auto [d1, d2] = bestMixers_.Mix({int(set_ + decision), int((tmpl_ & 0xFF) * 3 + decision)});
        bestFinal_.SetStretched(0, d1);
        bestFinal_.SetStretched(1, d2);
        const int d = bestFinal_.Mix(int(decision));
        // The refined probability weighs three quarters before version 3, half since.
        const int refined = apm_.Refine(d, int((set_ + decision) * 64 + (tmpl_ & 63)));
        const int p16 = classBits_ == 3 ? (bestFinal_.P16() + 3 * refined) >> 2
                                        : (bestFinal_.P16() + refined) >> 1;
        bit = io.CodeP(rgz_model::CoderP(p16), bit);
        bestMixers_.Update(bit);
        bestFinal_.Update(bit);
        apm_.Update(bit);
        for (uint32_t* slot : slots)
            rgz_model::Counter32::Update(*slot, bit, 255);
        silent_ = rgz_model::Counter32::INITIAL;
        return bit;
    }

    // Version 2 kept 4 * 8 * 3 * 64 contexts, folded; later versions a power
    // of two, fewer on small pictures (about one per four pixels, at least
    // 1024), which then neither visit nor pay for clearing the rest.
    static int ApmContexts(unsigned classBits, uint64_t pixels)
    {
        if (classBits == 3)
            return 4 * 8 * 3 * 64;
        const int all = int(classBits) + 2 + 2 + 6;
        return 1 << std::min(all, std::max(10, int(std::bit_width(pixels)) - 2));
    }
    // The mixers' learning rate: faster from version 3 on.
    static int MixerRate(unsigned classBits) { return classBits == 3 ? 12 : 16; }
    static int HashedBits(uint64_t pixels) { return std::clamp(int(std::bit_width(pixels)) + 2, 12, 18); }
    static constexpr int INPUTS = 4;  // three contexts and the constant
    static constexpr int INITIAL_WEIGHT = 65536 / 5 * 3 / 2;  // as every earlier version started
    // Seven contexts and the constant; before version 3 the seventh (the
    // run history) stays silent.
    static constexpr int BEST_INPUTS = 8;
    static constexpr int BIAS_P12 = 2730;  // a constant input of about a quarter logit
    bool best_;
    unsigned classBits_;
    rgz_model::Table32 near_, geometry_, wide_, lengths_, far_, distances_, history_;
    uint32_t silent_ = rgz_model::Counter32::INITIAL;  // p = 1/2: stretches to 0
    rgz_model::Mixer<INPUTS> mixer_;
    rgz_model::Apm apm_;
    rgz_model::MixerGroup<BEST_INPUTS, 2> bestMixers_;  // by line geometry, by near template
    rgz_model::Mixer<2> bestFinal_;
    unsigned tmpl_ = 0, geometryCtx_ = 0, set_ = 0;
    uint32_t wideHash_ = 0, lengthsHash_ = 0, farHash_ = 0, distancesHash_ = 0, historyHash_ = 0;
};

// How many pixels from x (1 to 15) the nearest crack bits of row lie in
// direction step (-1 or +1), 16 when none lies that close; the row's margin
// of zeros stops the search at the picture's edge.
inline unsigned CrackDistance(const uint8_t* row, int x, int step, int width)
{
#if defined(__SSE2__)
    // Sixteen entries at once (the rows have ROW_MARGIN entries of margin):
    // a bit for each distance 1 to 15 where the search stops.
    const __m128i zero = _mm_setzero_si128();
    if (step > 0) {
        // Bit i: distance i + 1.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x + 1));
        unsigned stop = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))) & 0x7FFFu;
        if (width - x - 1 < 15)
            stop |= 1u << (width - x - 1);  // the row's end
        return unsigned(std::countr_zero(stop | 0x8000u)) + 1;  // 16 when none
    }
    // Bit j: distance 16 - j.
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x - 16));
    unsigned stop = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))) & 0xFFFEu;
    if (x <= 15)
        stop |= ((2u << (16 - x)) - 1) & 0xFFFEu;  // entries 0 and before
    return 17 - unsigned(std::bit_width(stop | 1u));  // 16 when none
#else
    unsigned d = 1;
    for (int k = x + step; d < 16 && k > 0 && k < width && row[k] == 0; k += step)
        ++d;
    return d;
#endif
}

// How a run length so far compares with the length a digital straight line
// repeats (the previous run's, give or take one); 0 when there is none.
inline unsigned LengthClass(unsigned length, unsigned expected)
{
    if (expected == 0)
        return 0;
    if (length + 1 < expected)
        return 1;
    if (length + 1 == expected)
        return 2;
    if (length == expected)
        return 3;
    if (length == expected + 1)
        return 4;
    return 5;
}

// Run lengths of the boundaries around the row being coded, from the rows
// already known: they let a boundary's next step repeat its previous ones.
class LineGeometry {
public:
    // steps: whether a steep line's step to the left has classes of its own
    // (from version 3 on).
    // history: whether the runs before the previous ones are kept, and
    // Lengths describes births too (the best level, from version 3 on).
    LineGeometry(uint32_t width, bool steps, bool history)
        : steps_(steps), history_(history), width_(width), birth_(width + 1), vrun_(width + 2),
          vprev_(width + 2), vprev2_(width + 2), old_(width + 2), birthRuns_(history ? width + 1 : 0),
          quietEnd_(width + 1)
    {
    }

    // Prepares row y from the crack bits of row y-1 (prev), right to left.
    void StartRow(const uint8_t* prev, const uint8_t* above2)
    {
        if (history_)
            Prepare<true>(prev, above2);
        else
            Prepare<false>(prev, above2);
    }

    // The end of the stretch from x where, without a birth, every vertex
    // stays quiet (x itself when it is not).
    uint32_t QuietEnd(uint32_t x) const { return quietEnd_[x]; }

    // The geometry class (0 to 11; 0 to 7 without steps) for vertex x of
    // the row, given the arms known there: up (a vertical crack from above)
    // and left (a horizontal crack from the left).
    unsigned Class(uint32_t x, int up, int left) const
    {
        if (!up && !left)
            return birth_[x];
        if (left && !up)
            return LengthClass(x - runStart_, runExpected_);
        if (up && !left)
            return LengthClass(vrun_[x + 1], vprev_[x + 1]);
        return 0;
    }

    // The run lengths behind Class, each up to 31, packed in 10 bits; with
    // history, a birth's in 16 (the distance to the corner or the vertical
    // run, and the runs before).
    unsigned Lengths(uint32_t x, int up, int left) const
    {
        if (!up && !left)
            return history_ ? birthRuns_[x] : 0;
        if (left && !up)
            return std::min(x - runStart_, 31u) << 5 | std::min(runExpected_, 31u);
        if (up && !left)
            return std::min<unsigned>(vrun_[x + 1], 31u) << 5 | std::min<unsigned>(vprev_[x + 1], 31u);
        return 0;
    }

    // The run lengths with the run before the previous one, packed in 15 bits.
    unsigned History(uint32_t x, int up, int left) const
    {
        if (left && !up)
            return std::min(runExpected2_, 31u) << 10 | std::min(x - runStart_, 31u) << 5 |
                   std::min(runExpected_, 31u);
        if (up && !left)
            return std::min<unsigned>(vprev2_[x + 1], 31u) << 10 | std::min<unsigned>(vrun_[x + 1], 31u) << 5 |
                   std::min<unsigned>(vprev_[x + 1], 31u);
        return 0;
    }

    // Records pixel x's crack bits once coded.
    void Coded(uint32_t x, const uint8_t* cur, const uint8_t* prev, const uint8_t* above2)
    {
        // A new run of top cracks: after a vertical from above, the line
        // repeats the run that led to that vertical.
        if ((cur[x] & CRACK_BIT_TOP) && (x == 0 || !(cur[x - 1] & CRACK_BIT_TOP))) {
            runStart_ = x;
            runExpected_ = 0;
            runExpected2_ = 0;
            if (prev[x] & CRACK_BIT_LEFT)
                for (uint32_t k = x; k > 0 && (prev[k - 1] & CRACK_BIT_TOP) && runExpected_ < MAX_RUN; --k)
                    ++runExpected_;
            // And the run before it, one row further up.
            const uint32_t s = x - runExpected_;
            if (history_ && runExpected_ != 0 && (above2[s] & CRACK_BIT_LEFT))
                for (uint32_t k = s; k > 0 && (above2[k - 1] & CRACK_BIT_TOP) && runExpected2_ < MAX_RUN; --k)
                    ++runExpected2_;
        }
    }

    // Moves the vertical runs on past row y (cur).
    void EndRow(const uint8_t* cur)
    {
        std::copy(vrun_.begin(), vrun_.end(), old_.begin());
        for (uint32_t x = 0; x < width_; ++x) {
            const size_t k = x + 1;
            if (x + 8 <= width_ && (Word(cur + x) & LEFT_BITS) == 0) {
                std::memset(&vrun_[k], 0, 8);  // no vertical crack in these eight
                x += 7;
                continue;
            }
            if (!(cur[x] & CRACK_BIT_LEFT)) {
                vrun_[k] = 0;
                continue;
            }
            if (old_[k] == 0) {
                // A vertical run begins: it continues the vertical one
                // column over that the top crack joined it to.
                unsigned before = 0, before2 = 0;
                if (x > 0 && (cur[x - 1] & CRACK_BIT_TOP) && old_[k - 1]) {
                    before = old_[k - 1];
                    before2 = vprev_[k - 1];
                } else if ((cur[x] & CRACK_BIT_TOP) && old_[k + 1]) {
                    before = old_[k + 1];
                    before2 = vprev_[k + 1];
                }
                vprev_[k] = uint8_t(before);
                vprev2_[k] = uint8_t(history_ ? before2 : 0);
            }
            vrun_[k] = uint8_t(std::min<unsigned>(old_[k] + 1, MAX_RUN));
        }
    }

private:
    template <bool KeepHistory>
    void Prepare(const uint8_t* prev, const uint8_t* above2)
    {
        // A boundary along the top of row y-1 that turns down at x' (a
        // corner) steps down-left: the next step is born about its run
        // length to the left of x'. A quiet stretch ends at a pixel whose
        // template above or birth class is not empty.
        unsigned runRight = 0, cornerAt = 0, cornerRun = 0, cornerRun2 = 0;
        bool corner = false;
        uint32_t quietEnd = width_;
        quietEnd_[width_] = width_;
        for (uint32_t x = width_; x-- > 0;) {
            // Most of a row has no crack bits from x-8 to x+2: then pixels
            // x-7 to x have no birth and leave the quiet stretch as it is.
            if (!corner && x >= 8 && (Word(prev + x - 8) | prev[x] | prev[x + 1] | prev[x + 2]) == 0) {
                std::memset(&birth_[x - 7], 0, 8);
                if constexpr (KeepHistory)
                    std::fill_n(&birthRuns_[x - 7], 8, uint16_t(0));
                std::fill_n(&quietEnd_[x - 7], 8, quietEnd);
                runRight = 0;
                x -= 7;
                continue;
            }
            unsigned cls = 0;
            if (corner) {
                const unsigned distance = cornerAt - x;
                if (distance <= cornerRun + 1)
                    cls = LengthClass(distance, cornerRun);
                else
                    corner = false;  // too far for the step to land here or further left
            }
            // A steep line coming down one column to the right steps left
            // here after about as many rows as its previous vertical run.
            if (steps_ && cls == 0 && vrun_[x + 2] != 0)
                cls = 6 + LengthClass(vrun_[x + 2], vprev_[x + 2]);
            birth_[x] = uint8_t(cls);
            if constexpr (KeepHistory)
                birthRuns_[x] = uint16_t(cls == 0  ? 0
                                         : cls < 6 ? 1u << 15 | Capped(cornerAt - x) << 10 | Capped(cornerRun) << 5 |
                                                         Capped(cornerRun2)
                                                   : 1u << 14 | Capped(vrun_[x + 2]) << 5 | Capped(vprev_[x + 2]));
            const uint8_t here = prev[x];
            runRight = (here & CRACK_BIT_TOP) ? std::min(runRight + 1, MAX_RUN) : 0;
            if ((here & CRACK_BIT_TOP) && (here & CRACK_BIT_LEFT)) {
                corner = true;
                cornerAt = x;
                cornerRun = runRight;
                // The run before, along the row above: the line's step before.
                cornerRun2 = 0;
                if (KeepHistory && (above2[x + runRight] & CRACK_BIT_LEFT))
                    for (uint32_t k = x + runRight; (above2[k] & CRACK_BIT_TOP) && cornerRun2 < MAX_RUN; ++k)
                        ++cornerRun2;
            }
            if ((prev[int(x) - 1] | here | prev[x + 1] | prev[x + 2] | cls) != 0)
                quietEnd = x;
            quietEnd_[x] = quietEnd;
        }
        runStart_ = 0;
        runExpected_ = 0;
        runExpected2_ = 0;
    }

    static constexpr uint64_t LEFT_BITS = 0x0101010101010101ull * CRACK_BIT_LEFT;
    static uint64_t Word(const uint8_t* p)
    {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }

    static unsigned Capped(unsigned run) { return std::min(run, 31u); }

    bool steps_, history_;
    uint32_t width_;
    std::vector<uint8_t> birth_, vrun_, vprev_, vprev2_, old_;
    std::vector<uint16_t> birthRuns_;  // what Lengths gives for a vertex without arms
    std::vector<uint32_t> quietEnd_;
    uint32_t runStart_ = 0;
    unsigned runExpected_ = 0, runExpected2_ = 0;
};

template <typename Io>
uint32_t CodeCracks(Io& io, uint8_t* flags, uint32_t* runParents, uint32_t width, uint32_t height, RgzLevel level,
                    uint8_t version, size_t streamOffset = 0)
{
    RunRegions regions(runParents, width);
    const bool steps = version >= 3;
    auto model = std::make_unique<CrackPredictor>(level, uint64_t(width) * height, steps ? 4 : 3);
    LineGeometry geometry(width, steps, steps && level == RgzLevel::Best);
    // Three rows of crack bits with zero entries of margin on each side (the
    // models read four; the distance search sixteen at a time).
    std::vector<uint8_t> rowA(width + 2 * ROW_MARGIN, 0), rowB(width + 2 * ROW_MARGIN, 0),
        rowC(width + 2 * ROW_MARGIN, 0);
    uint8_t* above2 = rowA.data() + ROW_MARGIN;
    uint8_t* prev = rowB.data() + ROW_MARGIN;
    uint8_t* cur = rowC.data() + ROW_MARGIN;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* const row = flags + size_t(y) * width;
        if (y == 0) {
            cur[0] = 0;
            for (int x = 1; x < int(width); ++x) {
                const unsigned ctx = cur[x - 1] | cur[x - 2] << 2;
                cur[x] = uint8_t(io.Code(model->firstRowLeft[ctx], row[x] & CRACK_BIT_LEFT));
            }
        } else {
            geometry.StartRow(prev, above2);
            const unsigned ctx0 = prev[0] | prev[1] << 2 | prev[2] << 4;
            cur[0] = uint8_t(io.Code(model->firstColumnTop[ctx0], (row[0] >> 1) & 1) << 1);
            geometry.Coded(0, cur, prev, above2);
            int birthBy = 0;  // a stretch known to hold a birth ends here
            for (int x = 1; x < int(width); ++x) {
                if (x >= birthBy && (cur[x - 1] | cur[x - 2]) == 0) {
                    const int end = int(geometry.QuietEnd(uint32_t(x)));
                    if (end - x >= 2) {
                        // One decision for a quiet stretch: most have no birth.
                        int births = 0;
                        if constexpr (!Io::decoding)
                            for (int k = x; k < end && !births; ++k)
                                births = row[k] != 0;
                        births = io.Code(model->quietStretch[std::bit_width(unsigned(end - x))], births);
                        if (!births) {
                            std::memset(cur + x, 0, size_t(end - x));
                            x = end - 1;
                            continue;
                        }
                        birthBy = end;
                    }
                }
                const int up = prev[x] & CRACK_BIT_LEFT;
                const int left = cur[x - 1] >> 1;
                const unsigned tmpl = cur[x - 1] | cur[x - 2] << 2 | prev[x - 1] << 4 | prev[x] << 6 |
                                      prev[x + 1] << 8 | prev[x + 2] << 10;
                const unsigned shape = geometry.Class(uint32_t(x), up, left);
                const unsigned truth = row[x];
                int top, leftCrack;
                if ((tmpl | shape) == 0) {
                    if (x + 1 == birthBy)
                        top = 1;
                    else if (steps && x < birthBy)
                        top = io.Code(model->quietIn[std::bit_width(unsigned(birthBy - x))], int(truth >> 1) & 1);
                    else
                        top = io.Code(model->quiet, int(truth >> 1) & 1);
                    leftCrack = top;
                    if (top)
                        birthBy = 0;
                } else {
                    const unsigned nearby = cur[x - 1] | prev[x] << 2 | prev[x + 1] << 4;
                    const uint32_t wide = tmpl | uint32_t(cur[x - 3]) << 12 | uint32_t(prev[x - 2]) << 14 |
                                          uint32_t(prev[x + 3]) << 16 | uint32_t(above2[x - 1]) << 18 |
                                          uint32_t(above2[x]) << 20 | uint32_t(above2[x + 1]) << 22;
                    model->At(tmpl, shape, nearby, wide);
                    if (level == RgzLevel::Best) {
                        const uint32_t far = wide | uint32_t(cur[x - 4]) << 24 | uint32_t(prev[x + 4]) << 26 |
                                             uint32_t(above2[x - 2]) << 28 | uint32_t(above2[x + 2]) << 30;
                        const unsigned toLeft = CrackDistance(cur, x, -1, int(width));
                        const unsigned aboveRight = CrackDistance(prev, x, 1, int(width));
                        const unsigned aboveLeft = CrackDistance(prev, x, -1, int(width));
                        const uint32_t distances = (tmpl & 0xFF) | toLeft << 8 | aboveRight << 13 |
                                                   aboveLeft << 18 | uint32_t(cur[x - int(toLeft)]) << 23 |
                                                   uint32_t(prev[x + int(aboveRight)]) << 25;
                        model->AtBest(geometry.Lengths(uint32_t(x), up, left), geometry.History(uint32_t(x), up, left),
                                      rgz_model::Hash(far, shape), distances);
                    }
                    top = model->Code(io, 0, int(truth >> 1) & 1);
                    if ((up | left) == 0)
                        leftCrack = top;  // a lone crack at the vertex is impossible
                    else if (up + left + top == 1)
                        leftCrack = 1;
                    else
                        leftCrack = model->Code(io, 1 + unsigned(top), int(truth & 1));
                }
                cur[x] = uint8_t(top << 1 | leftCrack);
                geometry.Coded(uint32_t(x), cur, prev, above2);
            }
        }
        geometry.EndRow(cur);
        if constexpr (Io::decoding) {
            // A damaged or cut stream stops here rather than after the picture.
            if (io.dec.overrun())
                throw RgzFormatError("the cracks of row " + std::to_string(y) + " run past the end of layer 1",
                                     streamOffset + io.dec.offset());
            std::memcpy(row, cur, width);
        }
        regions.AddRow(cur, y == 0);
        uint8_t* const spare = above2;
        above2 = prev;
        prev = cur;
        cur = spare;
    }
    return regions.Finish();
}

}  // namespace

void MarkCracks(const uint8_t* w, uint8_t* flags, uint32_t width, uint32_t height)
{
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = w + size_t(y) * width;
        const uint8_t* above = y > 0 ? row - width : row;
        uint8_t* out = flags + size_t(y) * width;
        out[0] = uint8_t(above[0] != row[0] ? CRACK_BIT_TOP : 0);
        for (uint32_t x = 1; x < width; ++x)
            out[x] = uint8_t((above[x] != row[x] ? CRACK_BIT_TOP : 0) | (row[x - 1] != row[x] ? CRACK_BIT_LEFT : 0));
    }
}

uint32_t EncodeCracks(const uint8_t* flags, uint32_t* runParents, uint32_t width, uint32_t height, RgzLevel level,
                      RangeEncoder& enc, uint8_t version)
{
    EncodeIo io{enc};
    return CodeCracks(io, const_cast<uint8_t*>(flags), runParents, width, height, level, version);
}

uint32_t DecodeCracks(uint8_t* flags, uint32_t* runParents, uint32_t width, uint32_t height, RgzLevel level,
                      RangeDecoder& dec, size_t streamOffset, uint8_t version)
{
    DecodeIo io{dec};
    return CodeCracks(io, flags, runParents, width, height, level, version, streamOffset);
}
