#include "bench/compare/CompareResults.h"

std::optional<size_t> CompareResults::BestPeer(const MapResult& map) const
{
    std::optional<size_t> best;
    for (size_t c = 0; c < codecs.size(); ++c)
        if (isPeer[c] && map.byCodec[c].held &&
            (!best || map.byCodec[c].bytes < map.byCodec[*best].bytes))
            best = c;
    return best;
}

CodecTotal TotalOf(const CompareResults& results, size_t codec)
{
    CodecTotal total;
    for (const MapResult& map : results.maps) {
        const Measurement& m = map.byCodec[codec];
        if (!m.held)
            continue;
        ++total.maps;
        total.pixels += map.Pixels();
        total.bytes += m.bytes;
        total.encodeSeconds += m.encodeSeconds;
        total.decodeSeconds += m.decodeSeconds;
        if (const std::optional<size_t> best = results.BestPeer(map)) {
            total.bytesBesidePeer += m.bytes;
            total.bestPeerBytes += map.byCodec[*best].bytes;
            total.mapsBelowBestPeer += m.bytes < map.byCodec[*best].bytes;
        }
    }
    return total;
}

void CompareResults::DropUnmeasuredCodecs()
{
    for (size_t c = codecs.size(); c-- > 0;) {
        bool measured = false;
        for (const MapResult& map : maps)
            measured = measured || map.byCodec[c].held;
        if (measured)
            continue;
        codecs.erase(codecs.begin() + ptrdiff_t(c));
        isPeer.erase(isPeer.begin() + ptrdiff_t(c));
        for (MapResult& map : maps)
            map.byCodec.erase(map.byCodec.begin() + ptrdiff_t(c));
    }
}
