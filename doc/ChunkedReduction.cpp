#include "doc/ChunkedReduction.h"

#include "doc/ColorHistogram.h"
#include "doc/ParallelChunks.h"
#include "doc/UsableCores.h"

#include <algorithm>
#include <iterator>
#include <utility>

unsigned TableThreads(size_t n, unsigned requested)
{
    if (requested > 0)
        return unsigned(std::min<size_t>(requested, n));
    constexpr unsigned kMaxThreads = 4;
    return unsigned(std::min<size_t>({CoresPerImport(), kMaxThreads, std::max<size_t>(1, n >> 19)}));
}

void ResizeWithPalette(CMapRaster& raster, uint32_t width, uint32_t height, const uint32_t* palette,
                       int colorCount)
{
    raster.Resize(width, height);
    std::copy(palette, palette + 256, raster.palette);
    raster.colorCount = colorCount;
}

namespace {

bool CountIn(CTruecolourTable& table, WordPixels pixels, size_t first, size_t n)
{
    return table.Count(pixels.words + first, n);
}
bool CountIn(CTruecolourTable& table, RgbPixels pixels, size_t first, size_t n)
{
    table.CountRgb(pixels.bytes + 3 * first, n);
    return true;
}
void MapIn(const CTruecolourTable& table, WordPixels pixels, size_t first, size_t n, uint8_t* plane)
{
    table.Map(pixels.words + first, n, plane + first);
}
void MapIn(const CTruecolourTable& table, RgbPixels pixels, size_t first, size_t n, uint8_t* plane)
{
    table.MapRgb(pixels.bytes + 3 * first, n, plane + first);
}

// parts joined from the last to the first, each released once copied.
ColourList JoinBackwards(std::vector<ColourList>& parts)
{
    size_t size = 0;
    for (const ColourList& part : parts)
        size += part.size();
    ColourList joined;
    joined.reserve(size);
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        joined.insert(joined.end(), part->begin(), part->end());
        ColourList().swap(*part);
    }
    return joined;
}

}  // namespace

template <typename Pixels>
CChunkedReduction<Pixels>::CChunkedReduction(Pixels pixels, std::vector<size_t> first)
    : pixels_(pixels), first_(std::move(first)), tables_(first_.size() - 1)
{
    for (auto& table : tables_)
        table = std::make_unique<CTruecolourTable>();
}

template <typename Pixels>
std::vector<size_t> CChunkedReduction<Pixels>::EqualChunks(size_t n, unsigned chunks)
{
    std::vector<size_t> first;
    const ChunkSplit split{n, chunks};
    for (unsigned k = 0; k <= chunks; ++k)
        first.push_back(split.First(k));
    return first;
}

template <typename Pixels>
bool CChunkedReduction<Pixels>::Count(unsigned k)
{
    return CountIn(*tables_[k], pixels_, first_[k], first_[k + 1] - first_[k]);
}

template <typename Pixels>
bool CChunkedReduction<Pixels>::CountAll()
{
    std::vector<char> plain(Chunks());
    RunChunks(Chunks(), [&](unsigned k) { plain[k] = Count(k); });
    return std::find(plain.begin(), plain.end(), 0) == plain.end();
}

template <typename Pixels>
void CChunkedReduction<Pixels>::PopulateTables() noexcept
{
    for (const auto& table : tables_)
        table->PopulateCounts();
}

template <typename Pixels>
void CChunkedReduction<Pixels>::ReduceInto(CMapRaster& raster, uint32_t width, uint32_t height, unsigned threads)
{
    // Reduce into a copy and resize before touching the raster, so that a
    // failure on the way leaves the raster as it was.
    uint32_t palette[256];
    std::copy(std::begin(raster.palette), std::end(raster.palette), palette);
    const size_t n = first_.back();
    const unsigned chunks = Chunks();
    int colorCount = 0;
    if (chunks == 1) {
        colorCount = tables_[0]->Reduce(IMPORT_MAX_COLORS, palette);
    } else {
        std::vector<const CTruecolourTable*> tables;
        for (const auto& table : tables_)
            tables.push_back(table.get());
        std::vector<ColourList> shares(chunks), counts(chunks);
        RunChunks(std::min(threads, chunks), [&](unsigned t) {
            for (unsigned k = t; k < chunks; k += std::min(threads, chunks))
                CTruecolourTable::ChunkShare(tables, k, shares[k], counts[k]);
        });
        tables_.erase(tables_.begin(), tables_.end() - 1);
        ColourList colours = JoinBackwards(shares);
        colorCount = tables_[0]->ReduceJoined(std::move(colours), JoinBackwards(counts), n, IMPORT_MAX_COLORS,
                                              palette);
    }
    ResizeWithPalette(raster, width, height, palette, colorCount);
    const CTruecolourTable& table = *tables_.back();
    const ChunkSplit split{n, threads};
    uint8_t* plane = raster.IndexPlane();
    RunChunks(threads, [&](unsigned k) { MapIn(table, pixels_, split.First(k), split.Size(k), plane); });
}

template class CChunkedReduction<WordPixels>;
template class CChunkedReduction<RgbPixels>;
