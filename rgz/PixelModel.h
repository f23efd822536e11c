// The pixel-layer models of both levels. Pixels far from any boundary with
// no change nearby use one counter per block or pixel. The default level
// codes the changed bit with one direct counter, a changed pixel's colour
// with two "same as this neighbour" flags (three contexts mixed) and then
// the palette tree (four contexts mixed). The best level mixes
// eight contexts for the changed bit and fourteen for each tree decision (it
// needs no flags) under three weight sets that a last mixer weighs, with
// secondary estimation (for tree decisions, two: by depth and W, and by the
// node and the distance class).
#pragma once

#include "rgz/ColourCoding.h"
#include "rgz/ModelPrimitives.h"
#include "rgz/PalettePredictor.h"
#include "rgz/PixelNeighbourhood.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <utility>

namespace rgz_pixel {

// WIDE: the best level's contexts from format version 4 on, which reach
// two pixels out and see W ahead of the pixel.
template <bool BEST, bool WIDE = BEST> class PixelModel {
    static constexpr int CHANGED_INPUTS = 8;  // at the best level; the default level uses one
    static constexpr int FLAG_INPUTS = 3;  // only the default level has flags
    // The contexts of the palette-tree decisions: hashed ones, each with a
    // run of counters per symbol (the colours named)...
    enum NodeContext {
        W_OTHER,       // W at the pixel and the first other W colour near it
        LEFT_UP,       // I to the left and above
        MED_W,         // the entry nearest to the MED prediction, W
        MEAN_OTHER,    // the entry nearest to the mean of four neighbours, other W
        W_CANDIDATES,  // W and the first two distinct neighbour colours
        LEFT_UP_UL_W,
        W_LEFT,
        LEFT_UP_UR,
        MED_RGB,    // the MED prediction itself, 4 bits a channel
        SLOPE_RGB,  // left + up-right - up, 4 bits a channel
        LEFT2_UP2,  // I one and two to the left and above
        UP_ROW,     // I above, up-right, two right and two up
        W_AHEAD,    // W at the pixel, to its right and below, and I to the left
    };
    // ...and direct ones: where reference colours lie below the node, or
    // against its RGB split.
    enum NodeDirect { NEAR_WHERE, PREDICTED_WHERE, FAST_WHERE, SIDE_A, SIDE_B };
    // The best level's lists: from version 4 on, and before it.
    static constexpr int HASHED_LIST_BEST[] = {W_OTHER,  MEAN_OTHER, W_CANDIDATES, LEFT_UP_UL_W, LEFT_UP_UR,
                                               MED_RGB,  SLOPE_RGB,  LEFT2_UP2,    UP_ROW,       W_AHEAD};
    static constexpr int HASHED_LIST_BEST_V3[] = {W_OTHER,      LEFT_UP,      MED_W,  MEAN_OTHER,
                                                  W_CANDIDATES, LEFT_UP_UL_W, W_LEFT, LEFT_UP_UR,
                                                  MED_RGB,      SLOPE_RGB};
    static_assert(std::size(HASHED_LIST_BEST) == std::size(HASHED_LIST_BEST_V3));
    static constexpr int HASHED_LIST_FAST[] = {W_OTHER, LEFT_UP, MED_RGB};
    static constexpr int DIRECT_LIST_BEST[] = {NEAR_WHERE, PREDICTED_WHERE, SIDE_A, SIDE_B};
    static constexpr int DIRECT_LIST_FAST[] = {FAST_WHERE};
    // Hash(packed, id) of the default level's contexts is Hash(packed ^ salt).
    static constexpr uint32_t FAST_CONTEXT_SALT[] = {
        rgz_model::Hash(uint32_t(W_OTHER) + 0x9E3779B9u), rgz_model::Hash(uint32_t(LEFT_UP) + 0x9E3779B9u),
        rgz_model::Hash(uint32_t(MED_RGB) + 0x9E3779B9u)};
    static constexpr int HASHED_NODE_INPUTS =
        BEST ? std::size(HASHED_LIST_BEST) : std::size(HASHED_LIST_FAST);
    static constexpr int DIRECT_NODE_INPUTS =
        BEST ? std::size(DIRECT_LIST_BEST) : std::size(DIRECT_LIST_FAST);
    static constexpr int NODE_INPUTS = HASHED_NODE_INPUTS + DIRECT_NODE_INPUTS;
    // The best level's node mixers also weigh a constant: a bias per weight set.
    static constexpr int NODE_MIX_INPUTS = NODE_INPUTS + (BEST ? 1 : 0);
    // The best level's three node mixers weigh the same inputs.
    using NodeMixer = std::conditional_t<BEST, rgz_model::MixerGroup<NODE_MIX_INPUTS, 3>,
                                         rgz_model::Mixer<NODE_MIX_INPUTS>>;
    static constexpr int COUNTER_LANES = (NODE_INPUTS + 7) / 8 * 8;
    // Colours whose place in the tree the direct contexts test.
    static constexpr int REFERENCES = 8;
    static constexpr int SIDE_REFERENCES = 8;

public:
    // "Same as this neighbour" flags before the tree (the best level's tree needs none).
    static constexpr int MAX_FLAGS = BEST ? 0 : 2;
    // Whether the changed bit reads the neighbours' colours and every
    // decision the changes farther out (Pixel's activity, two rows up).
    static constexpr bool RICH_CONTEXTS = BEST;

    // version: the format version whose models to follow.
    PixelModel(const uint32_t* palette, int colourCount, uint32_t width, uint32_t height,
               uint8_t version)
        : pixels_(uint64_t(width) * height), refineByPath_(version >= 2),
          predictor_(palette, colourCount, BEST || pixels_ >= 65536),
          colourBits_(ColourBits(colourCount)),
          changedMixers_({BEST ? 20 : 1, BEST ? 1 << Fit(5, CHANGED_INPUTS * 4, 1) : 1}, 12,
                         65536 / CHANGED_INPUTS * 3 / 2),
          changedFinal_(4, 2, 65536 / 2),
          flagMixer_(32, BEST ? 6 : 14, 65536 / FLAG_INPUTS * 3 / 2),
          nodeMixer_(NodeMixers(Fit(8, NODE_MIX_INPUTS * 4, 2))),
          finalMixer_(8, 2, 65536 / 3),
          changedApm_(BEST ? 1 << Fit(10, 66, 4) : 1, 7), nodeApm_(BEST ? 1 << Fit(11, 66, 4) : 1, 7),
          nodeApmByPath_(BEST ? 1 << Fit(10, 66, 4) : 1, 7)
    {
        // Every table takes a share of the picture's pixel count (in
        // sixteenths of a byte per pixel) up to what its contexts need, so
        // small pictures take little memory and large ones have room. The
        // best level's shares add up to at most about 3.6 bytes per pixel
        // (3 before version 4), which keeps the whole encode or decode
        // within 12 with the raster's 7.
        quiet_.Resize(Fit(2 + colourBits_, 4, 2));
        quietBlock_.Resize(Fit(2 + colourBits_, 4, 2));
        changedDirect_.Resize(Fit(14, 4, 16), 14);
        if constexpr (BEST)
            for (auto& table : changedHashed_)
                table.Resize(Fit(18, 4, 2));
        if (MAX_FLAGS > 0) {
            flagDirect_.Resize(Fit(12, 2, 4), 12);
            // The flag contexts are few: small tables that stay in cache
            // cost almost nothing in size.
            for (auto& table : flagHashed_)
                table.Resize(Fit(14, 2, 8));
        }
        for (auto& table : nodeTables_)
            table.Resize(Fit(WIDE ? 22 : BEST ? 20 : 18, 2, WIDE ? 3 : BEST ? 2 : 8));
        for (auto& table : nodeDirect_)
            table.Resize(Fit(BEST ? 15 : 13, 2, 4), BEST ? 15 : 13);
    }

    // Far from any boundary with no change nearby: the changed bit by W's
    // colour and the noise level of the row above.
    template <class Io> int Quiet(Io& io, uint8_t w, unsigned noise, int bit)
    {
        uint32_t& slot = quiet_[noise << colourBits_ | w];
        bit = io.Bit(rgz_model::CoderP(rgz_model::Counter32::P16(slot)), bit);
        rgz_model::Counter32::Update(slot, bit, 1023);
        return bit;
    }

    // Whether some pixel of a quiet block changes, by the same.
    template <class Io> int QuietBlock(Io& io, uint8_t w, unsigned noise, int bit)
    {
        uint32_t& slot = quietBlock_[noise << colourBits_ | w];
        bit = io.Bit(rgz_model::CoderP(rgz_model::Counter32::P16(slot)), bit);
        rgz_model::Counter32::Update(slot, bit, 1023);
        return bit;
    }

    template <class Io> int Changed(Io& io, const Pixel& px, int bit)
    {
        using rgz_model::Hash;
        const unsigned boundary = px.BoundaryPattern();
        const unsigned changedAround = px.ChangedTemplate();
        uint32_t& direct = Direct(changedDirect_, (px.dc == 0 ? boundary : 32 + px.dc) << 8 | changedAround);
        if constexpr (BEST)
            return ChangedMixed(io, px, bit, direct, boundary, changedAround);
        bit = io.Bit(rgz_model::CoderP(rgz_model::Counter32::P16(direct)), bit);
        rgz_model::Counter32::Update(direct, bit, 255);
        return bit;
    }

    // The best level's changed bit: eight contexts mixed, then refined.
    template <class Io>
    int ChangedMixed(Io& io, const Pixel& px, int bit, uint32_t& direct, unsigned boundary,
                     unsigned changedAround)
    {
        using rgz_model::Hash;
        const uint8_t il = Known(px.il, px.w), iu = Known(px.iu, px.w);
        const uint8_t iul = Known(px.iul, px.w), iur = Known(px.iur, px.w);
        const uint8_t med = predictor_.Med(il, iu, iul);
        uint32_t* slots[CHANGED_INPUTS];
        slots[0] = &direct;
        // Second halves of few values are looked up (as Hash(a, b) finds them).
        slots[1] = &changedHashed_[0][Hash((px.w | il << 8 | iu << 16 | px.dc << 24) ^
                                           SALT_LEFT_UP.of[px.Ml() | px.Mu() << 1])];
        slots[2] = &changedHashed_[1][Hash((med | px.w << 8 | boundary << 16 | px.dc << 21) ^
                                           SALT_AROUND4.of[changedAround & 15])];
        slots[3] = &changedHashed_[2][Hash(px.w | px.wl << 8 | px.wu << 16 | uint32_t(px.wr) << 24,
                                           px.wd | px.dc << 8 | (changedAround & 3) << 10)];
        // WIDE: with two left and two up.
        const uint32_t aroundFour = il | iu << 8 | iul << 16 | uint32_t(iur) << 24;
        slots[4] = &changedHashed_[3][WIDE ? Hash(aroundFour, (changedAround & 31) | Known(px.ill, px.w) << 8 |
                                                                  Known(px.iuu, px.w) << 16 | 4u << 24)
                                           : Hash(aroundFour ^ SALT_AROUND5.of[changedAround & 31])];
        slots[5] = &changedHashed_[4][Hash(changedAround | (il == iul) << 8 | (iu == iur) << 9 |
                                           (il == iu) << 10 | (med == px.w) << 11 | px.dc << 12)];
        slots[6] = &changedHashed_[5][Hash(px.FullBoundaryPattern() | changedAround << 8 |
                                           px.mu2l << 16 | px.mu2r << 17 | px.dc << 18 | 7u << 24)];
        slots[7] = &changedHashed_[6][Hash(std::min<unsigned>(px.activity, 7) | px.dc << 3 |
                                           px.Ml() << 5 | px.Mu() << 6 | px.w << 8 | 8u << 24)];
        for (int k = 0; k < CHANGED_INPUTS; ++k)
            changedMixers_.SetP12(k, rgz_model::Counter32::P12(*slots[k]));
        // Weight sets by the distance class and the changes around, and by
        // the boundary around the pixel; a last mixer by distance class
        // weighs the two.
        const int around = int(px.Ml() + px.Mu() + px.Mul() + px.Mur());
        const auto [d1, d2] = changedMixers_.Mix({px.dc * 5 + around, int(boundary >> changedDrop_)});
        changedFinal_.SetStretched(0, d1);
        changedFinal_.SetStretched(1, d2);
        const int d = changedFinal_.Mix(px.dc);
        int p = changedFinal_.P16();
        if constexpr (BEST) {
            const int refined = changedApm_.Refine(d, px.dc << 8 | (changedAround & 255));
            p = (p + 3 * refined) >> 2;
        }
        bit = io.Bit(rgz_model::CoderP(p), bit);
        changedMixers_.Update(bit);
        changedFinal_.Update(bit);
        if constexpr (BEST)
            changedApm_.Update(bit);
        for (uint32_t* slot : slots)
            rgz_model::Counter32::Update(*slot, bit, 60);
        return bit;
    }

    void StartColour(const Pixel& px, uint8_t otherW, const Candidates& cands)
    {
        px_ = &px;
        otherW_ = otherW;
        deepGroup_ = 0;
        il_ = Known(px.il, px.w);
        iu_ = Known(px.iu, px.w);
        const uint8_t iul = Known(px.iul, px.w), iur = Known(px.iur, px.w);
        const uint32_t medRgb = predictor_.MedRgb(il_, iu_, iul);
        med_ = predictor_.NearestRgb(medRgb);
        if constexpr (BEST) {
            StartBestContexts(px, otherW, cands, iul, iur, medRgb);
        } else {
            // Most changed pixels take a flag: the flags' and the tree's
            // counters are found only when they are needed.
            medRgb_ = medRgb;
            treeReady_ = false;
        }
    }

    // The best level's tree contexts, all at a symbol's start.
    void StartBestContexts(const Pixel& px, uint8_t otherW, const Candidates& cands, uint8_t iul, uint8_t iur,
                           uint32_t medRgb)
    {
        using rgz_model::Hash;
        const uint8_t mean = predictor_.Mean(il_, iu_, iul, iur);
        const uint8_t ill = Known(px.ill, px.w), iuu = Known(px.iuu, px.w);
        const uint32_t sideRefs[SIDE_REFERENCES] = {medRgb,
                                                    predictor_.Rgb(px.w),
                                                    predictor_.Rgb(il_),
                                                    predictor_.Rgb(iu_),
                                                    predictor_.Rgb(mean),
                                                    predictor_.Rgb(Known(otherW, px.w)),
                                                    predictor_.Rgb(WIDE ? iuu : iul),
                                                    predictor_.Rgb(iur)};
        for (int r = 0; r < SIDE_REFERENCES; ++r)
            for (int c = 0; c < 3; ++c)
                sideChannel_[c][r] = uint8_t(sideRefs[r] >> (8 * c));
        const uint8_t refs[REFERENCES] = {px.w, otherW, il_, iu_, med_, WIDE ? ill : mean, WIDE ? iuu : iul, iur};
        std::copy(refs, refs + REFERENCES, refs_);
        // The packed colours of context `id`.
        const auto packedOf = [&](auto id) -> uint32_t {
            if constexpr (id == W_OTHER)
                return px.w | otherW << 8;
            if constexpr (id == LEFT_UP)
                return il_ | iu_ << 8;
            if constexpr (id == MED_W)
                return med_ | px.w << 8;
            if constexpr (id == MEAN_OTHER)
                return mean | otherW << 8;
            if constexpr (id == W_CANDIDATES)
                return px.w | (cands.count > 0 ? cands.colour[0] : NONE) << 8 |
                       (cands.count > 1 ? cands.colour[1] : NONE) << 16;
            if constexpr (id == LEFT_UP_UL_W)
                return il_ | iu_ << 8 | iul << 16 | uint32_t(px.w) << 24;
            if constexpr (id == W_LEFT)
                return px.w | il_ << 8;
            if constexpr (id == LEFT_UP_UR)
                return il_ | iu_ << 8 | iur << 16;
            if constexpr (id == SLOPE_RGB) {
                const uint32_t l = predictor_.Rgb(il_), u = predictor_.Rgb(iu_), ur = predictor_.Rgb(iur);
                uint32_t packed = 0;
                for (int c = 0; c < 3; ++c) {
                    const int v = std::clamp(
                        int(l >> (8 * c) & 255) + int(ur >> (8 * c) & 255) - int(u >> (8 * c) & 255), 0, 255);
                    packed |= uint32_t(v >> 4) << (4 * c);
                }
                return packed;
            }
            if constexpr (id == MED_RGB)
                return MedRgb12(medRgb);
            if constexpr (id == W_AHEAD)
                return px.w | px.wr << 8 | px.wd << 16 | uint32_t(il_) << 24;
            if constexpr (id == UP_ROW)
                return iu_ | iur << 8 | Known(px.iurr, px.w) << 16 | uint32_t(iuu) << 24;
            if constexpr (id == LEFT2_UP2)
                return il_ | ill << 8 | iu_ << 16 | uint32_t(iuu) << 24;
            return 0;
        };
        // The level's list unrolled, each context's packing chosen at compile time.
        [&]<size_t... I>(std::index_sequence<I...>) {
            ((nodeContext_[I] =
                  Hash(packedOf(std::integral_constant<int, HashedId(I)>()), uint32_t(HashedId(I)))),
             ...);
        }(std::make_index_sequence<HASHED_NODE_INPUTS>());
        // Every context of this symbol is known now: fetch their lines early.
        for (int i = 0; i < HASHED_NODE_INPUTS; ++i) {
            nodeContext_[i] <<= 5;
            nodeRun_[i] = &nodeTables_[i][nodeContext_[i]];
            __builtin_prefetch(nodeRun_[i]);
        }
    }

    template <class Io> int Flag(Io& io, int k, uint8_t colour, int source, int bit)
    {
        using rgz_model::Hash;
        const Pixel& px = *px_;
        const unsigned candidate = colour, sourceChanged = px.changed >> SOURCE_BIT[source] & 1u;
        uint16_t* const slots[FLAG_INPUTS] = {
            &flagDirect_.Folded(unsigned(source) | unsigned(k) << 3 | sourceChanged << 5 |
                                unsigned(candidate == otherW_) << 6 | unsigned(candidate == med_) << 7 |
                                (px.Ml() + px.Mu()) << 8 | unsigned(px.dc) << 10),
            &flagHashed_[0][Hash(candidate | px.w << 8 | unsigned(source) << 16 | sourceChanged << 19 |
                                 1u << 24)],
            &flagHashed_[1][Hash(candidate | il_ << 8 | iu_ << 16 | unsigned(k) << 24)]};
        // Updated side by side, as the tree's are.
        alignas(16) uint16_t counters[8] = {};
        for (int i = 0; i < FLAG_INPUTS; ++i) {
            counters[i] = *slots[i];
            flagMixer_.SetP12(i, rgz_model::Counter16::P12(counters[i]));
        }
        flagMixer_.Mix(source * 4 + k);
        bit = io.Bit(rgz_model::CoderP(flagMixer_.P16()), bit);
        flagMixer_.Update(bit);
        rgz_model::Counter16::UpdateAll<8>(counters, bit);
        for (int i = 0; i < FLAG_INPUTS; ++i)
            *slots[i] = counters[i];
        return bit;
    }

    // whereOf: the tree's Where() of this node.
    template <class Io> int Node(Io& io, const PaletteTree::Node& node, const uint8_t* whereOf, int bit)
    {
        if constexpr (!BEST)
            if (!treeReady_)
                StartTree();
        // A symbol's first five decisions share one run of 31 counters per
        // context; deeper ones one run of 7 per subtree. (Every table holds
        // at least 2^7 counters, so a run never wraps.)
        const unsigned fullDepth = node.depth, path = node.path;
        // The best level's contexts take decisions deeper than 7 (weighed
        // trees only) as at depth 7.
        const unsigned depth = BEST ? std::min(fullDepth, 7u) : fullDepth;
        uint16_t* slots[NODE_INPUTS];
        // The hashed contexts' counters: runs[i][offset].
        uint16_t* const* runs = nodeRun_;
        unsigned offset = path - 1;
        if (fullDepth >= 5) {
            // Three levels a run: deeper ones come only with weighted trees.
            const unsigned shift = (fullDepth - 5) % 3;
            const unsigned group = path >> shift;
            const unsigned local = (1u << shift) | (path & ((1u << shift) - 1));
            // A symbol's deeper decisions share their group's runs: hashed once.
            if (group != deepGroup_) {
                deepGroup_ = group;
                for (int i = 0; i < HASHED_NODE_INPUTS; ++i)
                    deepRun_[i] =
                        &nodeTables_[i][size_t(rgz_model::Hash(nodeContext_[i], group)) << 3];
            }
            runs = deepRun_;
            offset = local;
        }
        // The best level reads and writes them in place; the default level's
        // list of slots holds them.
        if constexpr (!BEST)
            for (int i = 0; i < HASHED_NODE_INPUTS; ++i)
                slots[i] = runs[i] + offset;
        // Where the reference colours lie below this node: contexts that
        // carry over between nodes and palettes.
        unsigned where[REFERENCES];
        for (int r = 0; r < (BEST ? REFERENCES : 5); ++r)
            where[r] = whereOf[refs_[r]];
        // The level's list unrolled, each context's code chosen at compile time.
        [&]<size_t... I>(std::index_sequence<I...>) {
            ((slots[HASHED_NODE_INPUTS + I] =
                  &Direct(nodeDirect_[I], DirectContext<DirectId(I)>(node, depth, where))),
             ...);
        }(std::make_index_sequence<DIRECT_NODE_INPUTS>());
        // The counters are read, updated and written back side by side.
        alignas(16) uint16_t counters[COUNTER_LANES] = {};
        for (int i = 0; i < NODE_INPUTS; ++i) {
            counters[i] = BEST && i < HASHED_NODE_INPUTS ? runs[i][offset] : *slots[i];
            nodeMixer_.SetP12(i, rgz_model::Counter16::P12(counters[i]));
        }
        int d, p;
        if constexpr (BEST) {
            nodeMixer_.SetStretched(NODE_INPUTS, BIAS);
            // Weight sets by depth and where left and up lie, by the node
            // itself, and by depth, distance class and changes nearby (the
            // latter dropped first on small pictures).
            const unsigned set3 = depth << 5 | px_->dc << 3 | std::min<unsigned>(px_->activity, 7);
            const int byWhere = WIDE ? int(where[2] * 27 + where[3] * 9 + where[5] * 3 + where[6])
                                     : int(where[2] * 3 + where[3]);
            const auto [d1, d2, d3] = nodeMixer_.Mix({int(depth) * WHERE_SETS + byWhere,
                                                      int(std::min(path, mixer2Sets_ - 1)),
                                                      int(set3 >> mixer3Drop_)});
            // The three are weighed by a last mixer per depth.
            finalMixer_.SetStretched(0, d1);
            finalMixer_.SetStretched(1, d2);
            finalMixer_.SetStretched(2, d3);
            d = finalMixer_.Mix(int(depth));
            p = finalMixer_.P16();
        } else {
            d = nodeMixer_.Mix(path < 64 ? int(path) : 64 + int(std::min(depth, 7u)));
            p = nodeMixer_.P16();
        }
        if constexpr (BEST) {
            // Refined by depth and W, and by the node itself and the distance
            // class; the latter weighs most.
            const int refined = nodeApm_.Refine(d, int(depth) << 8 | px_->w);
            if (refineByPath_) {
                const int byPath = nodeApmByPath_.Refine(d, int(path << 2 | px_->dc));
                p = (p + refined + 2 * byPath) >> 2;
            } else {
                p = (p + refined) >> 1;
            }
        }
        bit = io.Bit(rgz_model::CoderP(p), bit);
        nodeMixer_.Update(bit);
        if constexpr (BEST) {
            finalMixer_.Update(bit);
            nodeApm_.Update(bit);
            if (refineByPath_)
                nodeApmByPath_.Update(bit);
        }
        rgz_model::Counter16::UpdateAll<COUNTER_LANES>(counters, bit);
        for (int i = 0; i < NODE_INPUTS; ++i)
            (BEST && i < HASHED_NODE_INPUTS ? runs[i][offset] : *slots[i]) = counters[i];
        return bit;
    }

private:
    static constexpr int BIAS = 256;
    // The first node mixer's sets a depth: by where left and up lie below
    // the node (WIDE: two left and two up as well), three ways each.
    static constexpr int WHERE_SETS = WIDE ? 81 : 9;
    static constexpr rgz_model::SaltTable<4> SALT_LEFT_UP {1u << 4};
    static constexpr rgz_model::SaltTable<16> SALT_AROUND4 {2u << 8};
    static constexpr rgz_model::SaltTable<32> SALT_AROUND5 {4u << 8};

    static constexpr int HashedId(size_t i)
    {
        return !BEST ? HASHED_LIST_FAST[i] : WIDE ? HASHED_LIST_BEST[i] : HASHED_LIST_BEST_V3[i];
    }
    static constexpr int DirectId(size_t i) { return BEST ? DIRECT_LIST_BEST[i] : DIRECT_LIST_FAST[i]; }

    // Direct context `id` of a tree decision, from where the references lie below it.
    // depth: the node's (at the best level, at most 7).
    template <int id>
    unsigned DirectContext(const PaletteTree::Node& node, unsigned depth, const unsigned* where) const
    {
        if constexpr (id == NEAR_WHERE)
            return depth << 8 | where[0] | where[1] << 2 | where[2] << 4 | where[3] << 6;
        if constexpr (id == PREDICTED_WHERE)
            return depth << 12 | where[4] | where[5] << 2 | where[6] << 4 | where[7] << 6 | where[2] << 8 |
                   where[3] << 10;
        if constexpr (id == SIDE_A || id == SIDE_B) {
            // Where side references lie against the node's split: six
            // classes from far below to far above its middle.
            const uint8_t* value = sideChannel_[node.channel] + (id == SIDE_A ? 0 : 4);
            const uint8_t* side = SIDE_CLASS.of + 255 - node.middle;
            return depth << 12 | side[value[0]] | side[value[1]] << 3 | side[value[2]] << 6 |
                   side[value[3]] << 9;
        }
        if constexpr (id == FAST_WHERE)
            return std::min(depth, 7u) << 10 | where[0] | where[1] << 2 | where[2] << 4 | where[3] << 6 |
                   where[4] << 8;
        return 0;
    }

    // A direct table's slot. The best level's direct tables are never cut
    // below the bits of their contexts (each holds 64 KiB, the floor), so
    // they need no folding test.
    template <class Table> static auto& Direct(Table& table, uint32_t context)
    {
        if constexpr (BEST)
            return table[context];
        else
            return table.Folded(context);
    }

    // The default level's tree contexts, at a symbol's first tree decision.
    void StartTree()
    {
        refs_[0] = px_->w;
        refs_[1] = otherW_;
        refs_[2] = il_;
        refs_[3] = iu_;
        refs_[4] = med_;
        const uint32_t packed[HASHED_NODE_INPUTS] = {uint32_t(px_->w | otherW_ << 8), uint32_t(il_ | iu_ << 8),
                                                     MedRgb12(medRgb_)};
        for (int i = 0; i < HASHED_NODE_INPUTS; ++i) {
            nodeContext_[i] = rgz_model::Hash(packed[i] ^ FAST_CONTEXT_SALT[i]) << 5;
            nodeRun_[i] = &nodeTables_[i][nodeContext_[i]];
        }
        treeReady_ = true;
    }

    // The index bits of a table of `slotBytes` slots for contexts of
    // `natural` bits, given a share of sixteenths of a byte per pixel. The
    // best level gives each table at least 64 KiB (1.4 MiB in all): small
    // pictures keep their contexts apart at a fixed cost.
    int Fit(int natural, size_t slotBytes, uint64_t sixteenths) const
    {
        const uint64_t floor = BEST ? 65536 : 256;
        return rgz_model::FitBits(natural, slotBytes,
                                  size_t(std::max<uint64_t>(pixels_ * sixteenths / 16, floor)));
    }

    static int ColourBits(int colourCount)
    {
        int bits = 0;
        while ((1 << bits) < colourCount)
            ++bits;
        return bits;
    }

    // The side class of a channel value less a split's middle (-255 to 255 at of[0 to 510]).
    struct SideClassTable {
        uint8_t of[511] = {};
        constexpr SideClassTable()
        {
            for (int v = -255; v <= 255; ++v)
                of[v + 255] = v < -32 ? 0 : v < -8 ? 1 : v < 0 ? 2 : v < 8 ? 3 : v < 32 ? 4 : 5;
        }
    };
    static constexpr SideClassTable SIDE_CLASS {};

    // The MED prediction at 4 bits a channel.
    static uint32_t MedRgb12(uint32_t rgb)
    {
        return (rgb >> 20 & 15) | (rgb >> 8 & 0xF0) | (rgb << 4 & 0xF00);
    }

    // The node mixers: at the best level, three (by depth, by node, and by
    // depth and distance) with 2^setBits sets for the latter two.
    static NodeMixer NodeMixers(int setBits)
    {
        constexpr int initial = 65536 / NODE_INPUTS * 3 / 2;
        if constexpr (BEST)
            return NodeMixer({8 * WHERE_SETS, 1 << setBits, 1 << setBits}, 14, initial);
        else
            return NodeMixer(72, 14, initial);
    }

    // A neighbour outside the picture reads as W's colour at the pixel.
    static uint8_t Known(uint8_t colour, uint8_t w) { return colour == NONE ? w : colour; }

    uint64_t pixels_;
    bool refineByPath_;  // from version 2
    PalettePredictor predictor_;
    int colourBits_;
    rgz_model::Table32 quiet_, quietBlock_;
    rgz_model::Table32 changedDirect_;
    rgz_model::Table32 changedHashed_[BEST ? 7 : 1];
    rgz_model::Table16 flagDirect_;
    rgz_model::Table16 flagHashed_[FLAG_INPUTS - 1];
    rgz_model::Table16 nodeTables_[HASHED_NODE_INPUTS];
    rgz_model::Table16 nodeDirect_[DIRECT_NODE_INPUTS];
    rgz_model::MixerGroup<CHANGED_INPUTS, 2> changedMixers_;
    rgz_model::Mixer<2> changedFinal_;
    rgz_model::Mixer<FLAG_INPUTS> flagMixer_;
    NodeMixer nodeMixer_;
    rgz_model::Mixer<3> finalMixer_;
    rgz_model::Apm changedApm_, nodeApm_, nodeApmByPath_;
    unsigned mixer2Sets_ = BEST ? 1u << Fit(8, NODE_MIX_INPUTS * 4, 2) : 1;
    int changedDrop_ = BEST ? 5 - Fit(5, CHANGED_INPUTS * 4, 1) : 0;
    int mixer3Drop_ = BEST ? 8 - Fit(8, NODE_MIX_INPUTS * 4, 2) : 0;

    const Pixel* px_ = nullptr;
    uint8_t otherW_ = NONE, il_ = 0, iu_ = 0, med_ = 0;
    uint32_t nodeContext_[NODE_INPUTS] = {};  // each names a run of 32 counters
    // W, other W, left, up, MED, mean, up-left, up-right (WIDE: two left and
    // two up in place of mean and up-left)
    uint8_t refs_[REFERENCES] = {};
    uint32_t medRgb_ = 0;
    bool treeReady_ = false;
    // Per channel: MED's RGB, W, left, up, mean, other W, up-left (WIDE: two
    // up), up-right.
    uint8_t sideChannel_[3][SIDE_REFERENCES] = {};
    uint16_t* nodeRun_[HASHED_NODE_INPUTS] = {};  // the runs those name
    unsigned deepGroup_ = 0;  // the group deepRun_ was hashed for (0 none)
    uint16_t* deepRun_[HASHED_NODE_INPUTS] = {};
};

}  // namespace rgz_pixel
