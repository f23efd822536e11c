#include "doc/ThreadedJpegImport.h"

#include "doc/ColorHistogram.h"
#include "doc/ZeroedMemory.h"

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
        helper_ = std::thread(PopulatePages, picture.bytes.data(), picture.bytes.size());
    } catch (...) {
        // Without the tables or the thread: counted as SetRgbPixels counts.
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
