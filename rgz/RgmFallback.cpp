// Raw LZMA2 with preset 6 and a dictionary no larger than the data needs,
// so that small files cost the unpacker little memory.
#include "rgz/RgmFallback.h"

#include "rgz/RgzError.h"

#include <lzma.h>

#include <string>

namespace {

constexpr uint32_t MIN_DICTIONARY = 4096;
constexpr uint32_t MAX_DICTIONARY = 8u << 20;

lzma_options_lzma OptionsFor(uint64_t rgmLength)
{
    lzma_options_lzma options{};
    lzma_lzma_preset(&options, 6);
    uint32_t dictionary = MIN_DICTIONARY;
    while (dictionary < rgmLength && dictionary < MAX_DICTIONARY)
        dictionary <<= 1;
    options.dict_size = dictionary;
    return options;
}

}  // namespace

std::vector<uint8_t> PackRgm(std::span<const uint8_t> rgm)
{
    lzma_options_lzma options = OptionsFor(rgm.size());
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::vector<uint8_t> out(lzma_stream_buffer_bound(rgm.size()));
    size_t written = 0;
    const lzma_ret ret = lzma_raw_buffer_encode(filters, nullptr, rgm.data(), rgm.size(), out.data(), &written,
                                                out.size());
    if (ret == LZMA_MEM_ERROR)
        throw std::bad_alloc();
    if (ret != LZMA_OK)
        throw RgzEncodeError("liblzma could not compress the .rgm file (error " + std::to_string(int(ret)) + ")");
    out.resize(written);
    return out;
}

std::vector<uint8_t> UnpackRgm(std::span<const uint8_t> packed, uint64_t rgmLength, size_t packedOffset)
{
    lzma_options_lzma options = OptionsFor(rgmLength);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::vector<uint8_t> out(static_cast<size_t>(rgmLength));
    size_t read = 0, written = 0;
    const lzma_ret ret = lzma_raw_buffer_decode(filters, nullptr, packed.data(), &read, packed.size(), out.data(),
                                                &written, out.size());
    if (ret == LZMA_MEM_ERROR)
        throw std::bad_alloc();
    if (ret != LZMA_OK || written != rgmLength)
        throw RgzFormatError("the compressed .rgm file is damaged or not " + std::to_string(rgmLength) +
                                 " bytes long",
                             packedOffset + read);
    if (read != packed.size())
        throw RgzFormatError(std::to_string(packed.size() - read) + " bytes follow the compressed .rgm file",
                             packedOffset + read);
    return out;
}
