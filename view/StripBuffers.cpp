#include "view/StripBuffers.h"

#include <algorithm>

StripBuffers& StripBuffers::Shared()
{
    static StripBuffers buffers;
    return buffers;
}

void StripBuffers::Reserve(int clientWidth, int clientHeight)
{
    // A strip is at most the client width raised to a multiple of 4 by the
    // client height (enlarging needs less).
    const size_t width = size_t((std::max(clientWidth, 0) + 3) / 4 * 4);
    const size_t bytes = width * size_t(std::max(clientHeight, 0));
    if (bytes > strip_.size()) {
        strip_.resize(bytes);
        pixels_.resize(bytes);
    }
    if (width > columns_.size())
        columns_.resize(width);
}
