#include "doc/JpegReader.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Decompressor = std::unique_ptr<void, HandleCloser>;

[[noreturn]] void Fail(tjhandle handle, const char* step)
{
    throw ImportError(std::string("JPEG: ") + step + " failed: " + tjGetErrorStr2(handle));
}

// A warning (corrupt or missing data) stops decoding too: the picture would
// be incomplete. A huge number of progressive scans is refused as well.
constexpr int kDecodeFlags = TJFLAG_STOPONWARNING
#ifdef TJFLAG_LIMITSCANS
                             | TJFLAG_LIMITSCANS
#endif
    ;

// A few hundred bytes can claim a gigapixel. Decoding at 1/8 scale reads the
// whole compressed stream with 1/64 of the output memory.
void CheckDecodesAtOneEighth(tjhandle handle, const uint8_t* data, size_t size, int width, int height)
{
    const tjscalingfactor eighth{1, 8};
    const int w = TJSCALED(width, eighth), h = TJSCALED(height, eighth);
    std::vector<unsigned char> small(size_t(w) * size_t(h) * 4);
    if (tjDecompress2(handle, data, static_cast<unsigned long>(size), small.data(), w, w * 4, h, TJPF_RGBX,
                      kDecodeFlags) != 0)
        Fail(handle, "decoding");
}

// libjpeg-turbo refuses sides above 65500 pixels, below the 65535 that the
// other formats allow.
constexpr uint32_t kLargestJpegSide = 65500;

// The sides in the file's frame header (height, width), found by walking the
// marker segments; 0 x 0 if there is none.
std::pair<uint32_t, uint32_t> FrameSides(const uint8_t* data, size_t size)
{
    size_t at = 2;  // after the start-of-image marker
    while (at + 9 <= size && data[at] == 0xFF) {
        const uint8_t marker = data[at + 1];
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return {uint32_t(data[at + 5]) << 8 | data[at + 6], uint32_t(data[at + 7]) << 8 | data[at + 8]};
        if (marker == 0xDA || length < 2)
            break;  // the scan data begins, or the segment is broken
        at += 2 + length;
    }
    return {0, 0};
}

// Starts a decoder and reads the header; refuses what the readers cannot take.
Decompressor OpenJpeg(const uint8_t* data, size_t size, int& width, int& height)
{
    if (size == 0 || size > ULONG_MAX)
        throw ImportError("JPEG: the file is empty or too large");
    Decompressor handle(tjInitDecompress());
    if (!handle)
        throw ImportError(std::string("JPEG: cannot start the decoder: ") + tjGetErrorStr2(nullptr));

    int subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colourspace) != 0) {
        const auto [frameHeight, frameWidth] = FrameSides(data, size);
        if (frameWidth > kLargestJpegSide || frameHeight > kLargestJpegSide)
            throw ImportError("JPEG: picture size " + std::to_string(frameWidth) + " x " +
                              std::to_string(frameHeight) + " exceeds the largest JPEG side of 65500");
        Fail(handle.get(), "reading the header");
    }
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK)
        throw ImportError("JPEG: CMYK pictures are not supported", ErrorCode::Unsupported);
    if (width <= 0 || height <= 0)
        throw ImportError("JPEG: the header gives no picture size");
    return handle;
}

// The library fills the fourth byte with 0xFF; clear it so palette
// entries are plain red | green << 8 | blue << 16 like a bitmap's.
void ClearFourthBytes(TruecolorPicture& picture)
{
    for (uint32_t& pixel : picture.pixels)
        pixel &= 0x00FFFFFF;
}

// Starts a decoder, reads the header and allocates the picture. Checks the
// claimed size against the limits before allocating. The pixels take memory
// only as they are decoded, so a claim the data cannot back costs nothing;
// but if even the claim cannot be had, a large one is first decoded at 1/8
// scale, so that a broken file is refused as broken rather than for want of
// memory.
template <typename Picture, typename AllocateFn>
Decompressor OpenAndAllocate(const uint8_t* data, size_t size, const Limits& limits, AllocateFn allocate,
                             Picture& picture)
{
    int width = 0, height = 0;
    Decompressor handle = OpenJpeg(data, size, width, height);
    try {
        picture = allocate(uint64_t(width), uint64_t(height), limits);
    } catch (const ImportError& e) {
        if (e.code() == ErrorCode::NoMemory && uint64_t(width) * uint64_t(height) > limits.jpegCheckPixels)
            CheckDecodesAtOneEighth(handle.get(), data, size, width, height);
        throw;
    }
    return handle;
}

}  // namespace

TruecolorPicture DecodeJpeg(const uint8_t* data, size_t size, const Limits& limits)
{
    TruecolorPicture picture;
    const Decompressor handle = OpenAndAllocate(data, size, limits, AllocatePicture, picture);
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size),
                      reinterpret_cast<unsigned char*>(picture.pixels.data()), picture.width, picture.width * 4,
                      picture.height, TJPF_RGBX, kDecodeFlags) != 0)
        Fail(handle.get(), "decoding");
    ClearFourthBytes(picture);
    return picture;
}

RgbPicture DecodeJpegRgb(const uint8_t* data, size_t size, const Limits& limits)
{
    // No one to tell: both callbacks do nothing.
    struct : JpegDecodeWatcher {
        void Start(const RgbPicture&) noexcept override {}
        void Abandon() noexcept override {}
    } none;
    return DecodeJpegRgb(data, size, limits, none);
}

RgbPicture DecodeJpegRgb(const uint8_t* data, size_t size, const Limits& limits, JpegDecodeWatcher& watcher)
{
    RgbPicture picture;
    const Decompressor handle = OpenAndAllocate(data, size, limits, AllocateRgbPicture, picture);
    watcher.Start(picture);
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), picture.bytes.data(), picture.width,
                      picture.width * 3, picture.height, TJPF_RGB, kDecodeFlags) != 0) {
        watcher.Abandon();
        Fail(handle.get(), "decoding");
    }
    return picture;
}

TruecolorPicture DecodeJpegReduced(const uint8_t* data, size_t size, uint32_t longerSide, const Limits& limits)
{
    int width = 0, height = 0;
    Decompressor handle = OpenJpeg(data, size, width, height);
    tjscalingfactor scale{1, 1};
    for (int denominator : {2, 4, 8}) {
        const tjscalingfactor smaller{1, denominator};
        if (uint32_t(std::max(TJSCALED(width, smaller), TJSCALED(height, smaller))) >= longerSide)
            scale = smaller;
    }
    const int w = TJSCALED(width, scale), h = TJSCALED(height, scale);
    TruecolorPicture picture = AllocatePicture(uint64_t(w), uint64_t(h), limits);
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size),
                      reinterpret_cast<unsigned char*>(picture.pixels.data()), w, w * 4, h, TJPF_RGBX,
                      kDecodeFlags) != 0)
        Fail(handle.get(), "decoding");
    ClearFourthBytes(picture);
    return picture;
}
