#include "doc/ThreadedJpegImport.h"

#include "doc/ColorHistogram.h"
#include "doc/ZeroedMemory.h"

namespace {

constexpr size_t kPixelsPerTablePopulated = size_t(3) << 19;

}  // namespace

void CThreadedJpegImport::Start(const RgbPicture& picture) noexcept
{
    const size_t n = size_t(picture.width) * size_t(picture.height);
    const unsigned threads = TableThreads(n, threads_);
    if (n < kTablePixels || threads < 2)
        return;
    try {
        threads_ = threads;
        reduction_ = std::make_unique<CChunkedReduction<RgbPixels>>(
            RgbPixels{picture.bytes.data()}, CChunkedReduction<RgbPixels>::EqualChunks(n, threads));
        // A table's pages take about as long to clear as decoding a
        // megapixel: taken beforehand only when decoding takes longer.
        const bool tables = n >= threads * kPixelsPerTablePopulated;
        helper_ = std::thread([this, tables, bytes = picture.bytes.data(), size = picture.bytes.size()] {
            PopulatePages(bytes, size);
            if (tables)
                reduction_->PopulateTables();
        });
    } catch (...) {
        // Without the thread, counted all the same; without the tables, as
        // SetRgbPixels counts (which reports the want of memory).
    }
}

void CThreadedJpegImport::Abandon() noexcept
{
    if (helper_.joinable())
        helper_.join();
}

void CThreadedJpegImport::Finish(CMapRaster& raster, const RgbPicture& picture)
{
    Abandon();
    if (!reduction_) {
        SetRgbPixels(raster, picture.width, picture.height, picture.bytes.data(), threads_);
        return;
    }
    reduction_->CountAll();
    reduction_->ReduceInto(raster, uint32_t(picture.width), uint32_t(picture.height), threads_);
}
