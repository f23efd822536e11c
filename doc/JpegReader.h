// JPEG decoding into a truecolour picture through libjpeg-turbo.
#pragma once

#include "doc/TruecolorImport.h"

#include <cstddef>
#include <cstdint>

// Decodes a whole JPEG file image (baseline or progressive, colour or grey)
// with the library's default settings: accurate integer IDCT and smooth
// upsampling, so the pixels are those of `djpeg -bmp`. Bits 24-31 of every
// pixel are 0. CMYK pictures, pictures above limits and any
// file the library reports an error or a warning for (a truncated file is a
// warning) are refused with ImportError.
TruecolorPicture DecodeJpeg(const uint8_t* data, size_t size, const Limits& limits = {});

// The same picture in packed 3-byte pixels: what import counts and maps.
RgbPicture DecodeJpegRgb(const uint8_t* data, size_t size, const Limits& limits = {});

// Told when the library starts decoding a picture, so that other threads
// can prepare what follows meanwhile.
class JpegDecodeWatcher {
public:
    virtual ~JpegDecodeWatcher() = default;
    // Before decoding: the picture the pixels go to (its bytes do not move).
    virtual void Start(const RgbPicture& picture) noexcept = 0;
    // Decoding failed: called before the picture is released, so that no
    // work on it outlives this call.
    virtual void Abandon() noexcept = 0;
};

// DecodeJpegRgb telling watcher when decoding starts.
RgbPicture DecodeJpegRgb(const uint8_t* data, size_t size, const Limits& limits, JpegDecodeWatcher& watcher);

// The same picture decoded at 1/8, 1/4 or 1/2 of its size, the smallest of
// these whose longer side is still at least longerSide (full size when none
// is). Reads only what that scale needs: the thumbnail path.
TruecolorPicture DecodeJpegReduced(const uint8_t* data, size_t size, uint32_t longerSide,
                                   const Limits& limits = {});
