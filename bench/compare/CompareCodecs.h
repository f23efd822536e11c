// The codecs `compare` measures: Karvex's own formats and the peers, each as
// encode, decode and a check that the decoded picture is the one encoded.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// What a decoder leaves: a raster (Karvex's formats), index bytes (PNG) or
// RGB bytes (WebP, JPEG XL).
struct DecodedPicture {
    CMapRaster raster;
    std::vector<uint8_t> bytes;
    uint32_t width = 0;
    uint32_t height = 0;
};

struct CompareCodec {
    std::string name;
    bool peer = false;
    std::function<bool(const CMapRaster&)> canHold;
    std::function<std::vector<uint8_t>(CMapRaster&)> encode;
    std::function<void(std::span<const uint8_t>, DecodedPicture&)> decode;
    // Throws when decoded differs from the picture.
    std::function<void(const CMapRaster&, const DecodedPicture&)> check;
};

// .rgm, then .rgz at both levels when built with it, then the peers.
std::vector<CompareCodec> CompareCodecs();

// True when this program was built with the .rgz codec.
bool HaveRgz();
