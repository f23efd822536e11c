// JPEG import of a large picture on several threads. While the library
// decodes (on the calling thread), another thread takes the pages of the
// picture and of the chunks' colour tables, so that neither the decoder nor
// the counting waits for the system to clear them (a tenth of the decoder's
// time, a fifth of counting's on a picture of many colours); then the
// picture is counted, reduced and mapped in chunks (CChunkedReduction),
// with the result of one thread.
#pragma once

#include "doc/ChunkedReduction.h"
#include "doc/JpegReader.h"

#include <memory>
#include <thread>

class CThreadedJpegImport final : public JpegDecodeWatcher {
public:
    // threads: as for SetRgbPixels (0: as many as pay on this machine).
    explicit CThreadedJpegImport(unsigned threads) : threads_(threads) {}
    ~CThreadedJpegImport() override { Abandon(); }
    CThreadedJpegImport(const CThreadedJpegImport&) = delete;
    CThreadedJpegImport& operator=(const CThreadedJpegImport&) = delete;

    void Start(const RgbPicture& picture) noexcept override;
    void Abandon() noexcept override;

    // After decoding succeeded: what SetRgbPixels does with the picture.
    void Finish(CMapRaster& raster, const RgbPicture& picture);

private:
    unsigned threads_;
    std::unique_ptr<CChunkedReduction<RgbPixels>> reduction_;
    std::thread helper_;
};
