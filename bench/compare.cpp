// `make compare`: sizes and speeds of .rgm, .rgz and the peer codecs (PNG,
// WebP lossless, JPEG XL lossless) on the same indexed pictures.
//
// Every codec encodes the picture in memory and decodes it back; the decoded
// picture must be the one encoded. Times are the process's CPU time (every
// codec runs on one thread, and CPU time holds steady while other programs
// run), the best of a few runs (one run when a run takes over 0.3 s).
#include "bench/compare/CompareCodecs.h"
#include "bench/compare/ComparePictures.h"
#include "bench/compare/CompareReport.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <limits>
#include <sstream>

namespace {

constexpr const char* USAGE =
    "usage: compare [options] [PICTURE|FOLDER ...]   (default: the shared corpus)\n"
    "  --no-webp, --no-jxl  do not measure that peer (both are slow at their strongest)\n"
    "  --only A,B           only the pictures whose names contain A or B\n"
    "  --chart PATH         the chart of bits per pixel (default compare.svg)\n"
    "  --tsv PATH           every measurement, tab-separated (default compare.tsv)\n"
    "  --peers-from PATH    take the peers' figures from an earlier run's --tsv file\n"
    "                       for the maps it has, instead of measuring them again\n";

struct Options {
    std::vector<std::string> paths;
    std::vector<std::string> only;
    std::vector<std::string> skipped;  // codecs not measured
    std::string chart = "compare.svg";
    std::string tsv = "compare.tsv";
    std::string peersFrom;
};

std::vector<std::string> SplitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, ',');)
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        std::string only;
        if (arg == "--no-webp")
            options.skipped.push_back("WebP");
        else if (arg == "--no-jxl")
            options.skipped.push_back("JPEG XL");
        else if (arg == "--only" && value(only))
            options.only = SplitCommas(only);
        else if ((arg == "--chart" && value(options.chart)) ||
                 (arg == "--tsv" && value(options.tsv)) ||
                 (arg == "--peers-from" && value(options.peersFrom)))
            continue;
        else if (!arg.empty() && arg[0] == '-')
            return false;
        else
            options.paths.push_back(arg);
    }
    if (options.paths.empty())
        options.paths.push_back(KARVEX_SHARED_DIR "/corpus");
    return true;
}

bool Wanted(const std::string& path, const std::vector<std::string>& only)
{
    const std::string name = std::filesystem::path(path).filename().string();
    return only.empty() || std::any_of(only.begin(), only.end(), [&](const std::string& part) {
               return name.find(part) != std::string::npos;
           });
}

double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The fastest of a few runs of job, in seconds.
template <typename Job>
double BestSeconds(Job&& job)
{
    double best = std::numeric_limits<double>::infinity(), total = 0;
    for (int runs = 0; runs < 20 && total < 0.3; ++runs) {
        const double start = CpuSeconds();
        job();
        const double seconds = CpuSeconds() - start;
        best = std::min(best, seconds);
        total += seconds;
    }
    return best;
}

Measurement Measure(const CompareCodec& codec, ComparePicture& picture, DecodedPicture& decoded)
{
    Measurement m;
    std::vector<uint8_t> file;
    m.encodeSeconds = BestSeconds([&] { file = codec.encode(picture.raster); });
    m.decodeSeconds = BestSeconds([&] { codec.decode(file, decoded); });
    codec.check(picture.raster, decoded);
    m.bytes = file.size();
    m.held = true;
    if (codec.name == ".rgm" && !picture.expectedRgm.empty() && file != picture.expectedRgm)
        throw std::runtime_error(".rgm: our encoder's bytes differ from expected/" +
                                 picture.name + ".rgm");
    return m;
}

int Compare(const Options& options)
{
    const std::vector<CompareCodec> codecs = CompareCodecs();
    CompareResults results;
    for (const CompareCodec& codec : codecs) {
        results.codecs.push_back(codec.name);
        results.isPeer.push_back(codec.peer);
    }
    std::map<TsvKey, Measurement> earlier;
    if (!options.peersFrom.empty()) {
        earlier = ReadTsv(options.peersFrom);
        results.notes.push_back("The peers' figures come from " + options.peersFrom +
                                ", an earlier run on this machine; the rest were measured now.");
    }
    if (!HaveRgz())
        results.notes.push_back("Built without the .rgz codec: its columns are left out.");

    int faults = 0;
    for (const std::string& path : ListPictures(options.paths)) {
        if (!Wanted(path, options.only))
            continue;
        ComparePicture picture;
        try {
            LoadComparePicture(path, picture);
        } catch (const std::exception& e) {
            std::cerr << "cannot read " << path << ": " << e.what() << '\n';
            ++faults;
            continue;
        }
        MapResult map;
        map.name = picture.name;
        map.source = picture.source;
        map.width = picture.raster.width;
        map.height = picture.raster.height;
        std::cerr << map.name << " (" << map.width << " x " << map.height << ", " << map.source
                  << "):";
        DecodedPicture decoded;
        for (const CompareCodec& codec : codecs) {
            Measurement m;
            const auto reused = earlier.find({map.name, map.width, map.height, codec.name});
            if (codec.peer && reused != earlier.end()) {
                m = reused->second;
            } else if (codec.canHold(picture.raster) &&
                       std::find(options.skipped.begin(), options.skipped.end(), codec.name) ==
                           options.skipped.end()) {
                try {
                    m = Measure(codec, picture, decoded);
                } catch (const std::exception& e) {
                    std::cerr << "\n  FAULT " << e.what() << '\n';
                    results.notes.push_back("FAULT on " + map.name + ": " + e.what());
                    ++faults;
                }
            }
            map.byCodec.push_back(m);
            if (m.held)
                std::cerr << ' ' << codec.name << ' ' << m.bytes << " B" << std::flush;
        }
        std::cerr << '\n';
        results.maps.push_back(std::move(map));
        WriteTsv(results, options.tsv);  // a long run's figures survive an interruption
    }

    std::map<std::string, int> sources;
    for (const MapResult& map : results.maps)
        ++sources[map.source];
    std::string read = "Pictures:";
    for (const auto& [source, count] : sources)
        read += " " + std::to_string(count) + " " + source + ",";
    read.back() = '.';
    if (sources.count(REFERENCE_SOURCE))
        read += " The reference expected/NAME.rgm beside a picture holds exactly the indexed "
                "picture Karvex makes from it, so it is read instead of importing the picture.";
    results.notes.push_back(read);
    results.DropUnmeasuredCodecs();
    std::cout << "## Bits per pixel\n\n";
    PrintBitsPerPixel(results, std::cout);
    std::cout << "\n## Bytes and speeds (one thread)\n\n";
    PrintMeasurements(results, std::cout);
    std::cout << "\nPeers: PNG = libpng, 8-bit palette, zlib level 9, no row filter; WebP = "
                 "libwebp lossless level 9 (method 6) from RGB, at most 16383 pixels a side; "
                 "JPEG XL = libjxl lossless, effort 7, from 8-bit RGB. Best peer = the smallest "
                 "of them on that map.\n";
    std::string why;
    if (DrawChart(results, options.chart, why))
        std::cout << "Chart: " << options.chart << "; measurements: " << options.tsv << '\n';
    else
        std::cerr << "no chart: " << why << '\n';
    return faults ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << USAGE;
        return 2;
    }
    try {
        return Compare(options);
    } catch (const std::exception& e) {
        std::cerr << "compare: " << e.what() << '\n';
        return 1;
    }
}
