// The report of a `compare` run: tables on a stream, a tab-separated file of
// every measurement, and a chart of bits per pixel drawn by gnuplot.
#pragma once

#include "bench/compare/CompareResults.h"

#include <map>
#include <ostream>
#include <string>
#include <tuple>

// Per map and codec: bytes, bits per pixel, ratio to the best peer, encode
// and decode speed; then the totals.
void PrintMeasurements(const CompareResults& results, std::ostream& out);
// Bits per pixel, maps by codecs, with the .rgz / best peer ratios and totals.
void PrintBitsPerPixel(const CompareResults& results, std::ostream& out);

// One line per map and codec: map, width, height, codec, bytes, encode and
// decode seconds.
void WriteTsv(const CompareResults& results, const std::string& path);
// Measurements of an earlier run by (map, width, height, codec). Throws
// std::runtime_error for a file it cannot read.
using TsvKey = std::tuple<std::string, uint32_t, uint32_t, std::string>;
std::map<TsvKey, Measurement> ReadTsv(const std::string& path);

// Draws the bits per pixel of every codec on every map (log scale) as SVG,
// or PNG when path ends in .png. Returns false, with a reason, when gnuplot
// cannot be run.
bool DrawChart(const CompareResults& results, const std::string& path, std::string& why);
