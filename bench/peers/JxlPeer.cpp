#include "bench/peers/JxlPeer.h"

#include "bench/peers/PeerPixels.h"

#include <jxl/decode_cxx.h>
#include <jxl/encode_cxx.h>

#include <string>

namespace {

constexpr int JXL_EFFORT = 7;
constexpr JxlPixelFormat RGB8 = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};

void Require(bool ok, const char* what)
{
    if (!ok)
        throw PeerError(std::string("JPEG XL: ") + what);
}

}  // namespace

std::vector<uint8_t> EncodeLosslessJxl(const CMapRaster& raster)
{
    Require(raster.HasPixels(), "the picture has no pixels");
    JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
    Require(encoder != nullptr, "cannot create the encoder");
    JxlEncoder* enc = encoder.get();

    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = raster.width;
    info.ysize = raster.height;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = JXL_TRUE;  // lossless needs the pixels in their own colour space
    Require(JxlEncoderSetBasicInfo(enc, &info) == JXL_ENC_SUCCESS, "basic info refused");
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    Require(JxlEncoderSetColorEncoding(enc, &colour) == JXL_ENC_SUCCESS, "colour encoding refused");

    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
    Require(settings != nullptr, "cannot create the frame settings");
    Require(JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, JXL_EFFORT) ==
                JXL_ENC_SUCCESS,
            "effort refused");
    Require(JxlEncoderSetFrameLossless(settings, JXL_TRUE) == JXL_ENC_SUCCESS, "lossless refused");

    const std::vector<uint8_t> rgb = PaletteToRgb(raster);
    Require(JxlEncoderAddImageFrame(settings, &RGB8, rgb.data(), rgb.size()) == JXL_ENC_SUCCESS,
            "the frame was refused");
    JxlEncoderCloseInput(enc);

    std::vector<uint8_t> out(64 * 1024);
    size_t used = 0;
    for (;;) {
        uint8_t* next = out.data() + used;
        size_t room = out.size() - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(enc, &next, &room);
        used = size_t(next - out.data());
        if (status == JXL_ENC_SUCCESS)
            break;
        Require(status == JXL_ENC_NEED_MORE_OUTPUT, "encoding failed");
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
}

void DecodeJxl(std::span<const uint8_t> file, std::vector<uint8_t>& rgb, uint32_t& width,
               uint32_t& height)
{
    JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    Require(decoder != nullptr, "cannot create the decoder");
    JxlDecoder* dec = decoder.get();
    Require(JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) ==
                JXL_DEC_SUCCESS,
            "events refused");
    Require(JxlDecoderSetInput(dec, file.data(), file.size()) == JXL_DEC_SUCCESS,
            "input refused");
    JxlDecoderCloseInput(dec);
    bool haveImage = false;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec);
        if (status == JXL_DEC_BASIC_INFO) {
            JxlBasicInfo info;
            Require(JxlDecoderGetBasicInfo(dec, &info) == JXL_DEC_SUCCESS, "no basic info");
            Require(info.xsize >= 1 && info.xsize <= MAX_SIDE && info.ysize >= 1 &&
                        info.ysize <= MAX_SIDE,
                    "picture size beyond 65535 pixels a side");
            width = info.xsize;
            height = info.ysize;
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            size_t bytes = 0;
            Require(JxlDecoderImageOutBufferSize(dec, &RGB8, &bytes) == JXL_DEC_SUCCESS &&
                        bytes == size_t(width) * height * 3,
                    "unexpected output size");
            rgb.resize(bytes);
            Require(JxlDecoderSetImageOutBuffer(dec, &RGB8, rgb.data(), rgb.size()) ==
                        JXL_DEC_SUCCESS,
                    "output buffer refused");
        } else if (status == JXL_DEC_FULL_IMAGE) {
            haveImage = true;
        } else if (status == JXL_DEC_SUCCESS) {
            Require(haveImage, "the file holds no picture");
            return;
        } else {
            Require(false, status == JXL_DEC_NEED_MORE_INPUT ? "the file ends early"
                                                             : "the file cannot be decoded");
        }
    }
}
