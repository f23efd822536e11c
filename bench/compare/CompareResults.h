// What one `compare` run measured, and the sums its report is made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One codec on one map. held is false when the codec cannot hold the map or
// was not run.
struct Measurement {
    bool held = false;
    size_t bytes = 0;
    double encodeSeconds = 0;
    double decodeSeconds = 0;
};

struct MapResult {
    std::string name;
    std::string source;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<Measurement> byCodec;  // in the order of CompareResults::codecs
    uint64_t Pixels() const { return uint64_t(width) * height; }
};

struct CompareResults {
    std::vector<std::string> codecs;
    std::vector<bool> isPeer;
    std::vector<MapResult> maps;
    std::vector<std::string> notes;  // printed under the tables

    // The smallest peer that held the map, as an index into codecs.
    std::optional<size_t> BestPeer(const MapResult& map) const;
    // Removes the codecs that hold no map (not measured at all).
    void DropUnmeasuredCodecs();
};

// Sums of one codec over the maps it held (and, for the ratio, over the
// maps where a peer held too).
struct CodecTotal {
    size_t maps = 0;
    uint64_t pixels = 0;
    uint64_t bytes = 0;
    uint64_t bytesBesidePeer = 0;  // over the maps some peer held
    uint64_t bestPeerBytes = 0;    // over those maps
    double encodeSeconds = 0;
    double decodeSeconds = 0;
    size_t mapsBelowBestPeer = 0;
    double BitsPerPixel() const { return pixels ? 8.0 * double(bytes) / double(pixels) : 0; }
    double RatioToBestPeer() const
    {
        return bestPeerBytes ? double(bytesBesidePeer) / double(bestPeerBytes) : 0;
    }
};

CodecTotal TotalOf(const CompareResults& results, size_t codec);
