#include "bench/peers/WebpPeer.h"

#include "bench/peers/PeerPixels.h"

#include <webp/decode.h>
#include <webp/encode.h>

#include <string>

bool WebpCanHold(const CMapRaster& raster)
{
    return raster.HasPixels() && raster.width <= WEBP_MAX_SIDE && raster.height <= WEBP_MAX_SIDE;
}

namespace {

// Frees libwebp's picture and output buffer however the encoder leaves.
struct WebpEncodeState {
    WebPPicture picture;
    WebPMemoryWriter writer;
    WebpEncodeState()
    {
        WebPPictureInit(&picture);
        WebPMemoryWriterInit(&writer);
    }
    ~WebpEncodeState()
    {
        WebPPictureFree(&picture);
        WebPMemoryWriterClear(&writer);
    }
    WebpEncodeState(const WebpEncodeState&) = delete;
    WebpEncodeState& operator=(const WebpEncodeState&) = delete;
};

}  // namespace

std::vector<uint8_t> EncodeLosslessWebp(const CMapRaster& raster)
{
    if (!WebpCanHold(raster))
        throw PeerError("WebP: a side beyond " + std::to_string(WEBP_MAX_SIDE) + " pixels");
    WebPConfig config;
    if (!WebPConfigInit(&config) || !WebPConfigLosslessPreset(&config, 9))
        throw PeerError("WebP: the library refused the lossless preset");
    config.thread_level = 0;
    const std::vector<uint8_t> rgb = PaletteToRgb(raster);
    WebpEncodeState state;
    state.picture.use_argb = 1;
    state.picture.width = int(raster.width);
    state.picture.height = int(raster.height);
    state.picture.writer = WebPMemoryWrite;
    state.picture.custom_ptr = &state.writer;
    if (!WebPPictureImportRGB(&state.picture, rgb.data(), int(raster.width) * 3))
        throw PeerError("WebP: cannot import the picture");
    if (!WebPEncode(&config, &state.picture))
        throw PeerError("WebP: encoding failed, error " +
                        std::to_string(int(state.picture.error_code)));
    return std::vector<uint8_t>(state.writer.mem, state.writer.mem + state.writer.size);
}

void DecodeWebp(std::span<const uint8_t> file, std::vector<uint8_t>& rgb, uint32_t& width,
                uint32_t& height)
{
    int w = 0, h = 0;
    if (!WebPGetInfo(file.data(), file.size(), &w, &h) || w <= 0 || h <= 0)
        throw PeerError("WebP: not a WebP file");
    width = uint32_t(w);
    height = uint32_t(h);
    const size_t stride = size_t(width) * 3;
    rgb.resize(stride * height);
    if (!WebPDecodeRGBInto(file.data(), file.size(), rgb.data(), rgb.size(), int(stride)))
        throw PeerError("WebP: the file cannot be decoded");
}
