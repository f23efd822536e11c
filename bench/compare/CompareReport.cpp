#include "bench/compare/CompareReport.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

using Row = std::vector<std::string>;

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Megapixels per second with about three significant digits.
std::string Speed(uint64_t pixels, double seconds)
{
    if (seconds <= 0)
        return "";
    const double mps = double(pixels) / seconds / 1e6;
    return Fixed(mps, mps < 10 ? 2 : mps < 100 ? 1 : 0);
}

std::string Bpp(uint64_t bytes, uint64_t pixels)
{
    return pixels ? Fixed(8.0 * double(bytes) / double(pixels), 3) : "";
}

std::string Ratio(uint64_t bytes, uint64_t reference)
{
    return reference ? Fixed(double(bytes) / double(reference), 2) : "";
}

// A Markdown table with padded columns; columns after the first `textColumns`
// are numbers and are aligned right.
void PrintTable(const Row& header, const std::vector<Row>& rows, size_t textColumns,
                std::ostream& out)
{
    std::vector<size_t> width(header.size());
    for (size_t c = 0; c < header.size(); ++c)
        width[c] = header[c].size();
    for (const Row& row : rows)
        for (size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], row[c].size());
    auto line = [&](const Row& row) {
        out << '|';
        for (size_t c = 0; c < header.size(); ++c) {
            const std::string& cell = c < row.size() ? row[c] : std::string();
            const std::string pad(width[c] - cell.size(), ' ');
            out << ' ' << (c < textColumns ? cell + pad : pad + cell) << " |";
        }
        out << '\n';
    };
    line(header);
    out << '|';
    for (size_t c = 0; c < header.size(); ++c)
        out << (c < textColumns ? ":" : "") << std::string(width[c] + 1, '-')
            << (c < textColumns ? "" : ":") << '|';
    out << '\n';
    for (const Row& row : rows)
        line(row);
}

// Karvex's formats in colour, the peers in greys.
const char* ChartColour(const std::string& codec)
{
    if (codec == ".rgm")
        return "#b2abd2";
    if (codec == ".rgz")
        return "#5e3c99";
    if (codec == ".rgz --best")
        return "#e66101";
    if (codec == "PNG")
        return "#d9d9d9";
    if (codec == "WebP")
        return "#969696";
    return "#525252";
}

std::string Megapixels(uint64_t pixels)
{
    return Fixed(double(pixels) / 1e6, pixels < 100000 ? 3 : 2);
}

}  // namespace

void PrintMeasurements(const CompareResults& results, std::ostream& out)
{
    const Row header{"map", "codec", "bytes", "bits/px", "/ best peer", "encode MP/s",
                     "decode MP/s"};
    std::vector<Row> rows;
    for (const MapResult& map : results.maps) {
        const std::optional<size_t> best = results.BestPeer(map);
        const uint64_t bestBytes = best ? map.byCodec[*best].bytes : 0;
        bool first = true;
        for (size_t c = 0; c < results.codecs.size(); ++c) {
            const Measurement& m = map.byCodec[c];
            if (!m.held)
                continue;
            rows.push_back({first ? map.name : "", results.codecs[c], std::to_string(m.bytes),
                            Bpp(m.bytes, map.Pixels()), Ratio(m.bytes, bestBytes),
                            Speed(map.Pixels(), m.encodeSeconds),
                            Speed(map.Pixels(), m.decodeSeconds)});
            first = false;
        }
        if (best)
            rows.push_back({"", "best peer: " + results.codecs[*best], std::to_string(bestBytes),
                            Bpp(bestBytes, map.Pixels()), "1.00", "", ""});
    }
    bool first = true;
    for (size_t c = 0; c < results.codecs.size(); ++c) {
        const CodecTotal t = TotalOf(results, c);
        if (t.maps == 0)
            continue;
        const std::string label = std::to_string(t.maps) + (t.maps == 1 ? " map" : " maps");
        rows.push_back({first ? "total" : "", results.codecs[c] + " (" + label + ")",
                        std::to_string(t.bytes), Bpp(t.bytes, t.pixels),
                        Ratio(t.bytesBesidePeer, t.bestPeerBytes),
                        Speed(t.pixels, t.encodeSeconds), Speed(t.pixels, t.decodeSeconds)});
        first = false;
    }
    PrintTable(header, rows, 2, out);
}

void PrintBitsPerPixel(const CompareResults& results, std::ostream& out)
{
    Row header{"map", "MP"};
    for (const std::string& codec : results.codecs)
        header.push_back(codec);
    header.push_back("best peer");
    std::vector<size_t> ours;  // Karvex's formats get a ratio column each
    for (size_t c = 0; c < results.codecs.size(); ++c)
        if (!results.isPeer[c]) {
            ours.push_back(c);
            header.push_back(results.codecs[c] + " / peer");
        }

    std::vector<Row> rows;
    uint64_t allPixels = 0, allBestPeer = 0;
    for (const MapResult& map : results.maps) {
        Row row{map.name, Megapixels(map.Pixels())};
        for (const Measurement& m : map.byCodec)
            row.push_back(m.held ? Bpp(m.bytes, map.Pixels()) : "-");
        const std::optional<size_t> best = results.BestPeer(map);
        const uint64_t bestBytes = best ? map.byCodec[*best].bytes : 0;
        row.push_back(best ? Bpp(bestBytes, map.Pixels()) : "-");
        for (size_t c : ours)
            row.push_back(map.byCodec[c].held ? Ratio(map.byCodec[c].bytes, bestBytes) : "-");
        rows.push_back(row);
        allPixels += map.Pixels();
        allBestPeer += bestBytes;
    }
    Row total{"total", Megapixels(allPixels)};
    for (size_t c = 0; c < results.codecs.size(); ++c) {
        const CodecTotal t = TotalOf(results, c);
        total.push_back(Bpp(t.bytes, t.pixels) + (t.maps < results.maps.size() ? "*" : ""));
    }
    total.push_back(Bpp(allBestPeer, allPixels));
    for (size_t c : ours) {
        const CodecTotal t = TotalOf(results, c);
        total.push_back(Ratio(t.bytesBesidePeer, t.bestPeerBytes));
    }
    rows.push_back(total);
    PrintTable(header, rows, 1, out);
    out << "\nTotals are sums over the maps: bits per pixel = 8 × bytes / pixels, ratio = "
           "bytes / best peer's bytes. * = over the maps the codec can hold only.\n";
    for (size_t c : ours) {
        const CodecTotal t = TotalOf(results, c);
        if (t.bestPeerBytes == 0)
            continue;
        out << results.codecs[c] << ": " << Ratio(t.bytesBesidePeer, t.bestPeerBytes)
            << " of the best peer in total, smaller on " << t.mapsBelowBestPeer << " of "
            << t.maps << " maps";
        // The slowest map decides a speed target.
        const MapResult* slowDecode = nullptr;
        const MapResult* slowEncode = nullptr;
        auto mps = [&](const MapResult& m, double s) { return double(m.Pixels()) / s; };
        for (const MapResult& map : results.maps) {
            const Measurement& m = map.byCodec[c];
            if (!m.held)
                continue;
            if (!slowDecode || mps(map, m.decodeSeconds) <
                                   mps(*slowDecode, slowDecode->byCodec[c].decodeSeconds))
                slowDecode = &map;
            if (!slowEncode || mps(map, m.encodeSeconds) <
                                   mps(*slowEncode, slowEncode->byCodec[c].encodeSeconds))
                slowEncode = &map;
        }
        if (slowDecode)
            out << "; slowest decode " << Speed(slowDecode->Pixels(),
                                                slowDecode->byCodec[c].decodeSeconds)
                << " MP/s (" << slowDecode->name << "), slowest encode "
                << Speed(slowEncode->Pixels(), slowEncode->byCodec[c].encodeSeconds) << " MP/s ("
                << slowEncode->name << ")";
        out << ".\n";
    }
    for (const std::string& note : results.notes)
        out << note << '\n';
}

void WriteTsv(const CompareResults& results, const std::string& path)
{
    std::ofstream file(path);
    file << "map\twidth\theight\tcodec\tbytes\tencode_s\tdecode_s\n";
    for (const MapResult& map : results.maps)
        for (size_t c = 0; c < results.codecs.size(); ++c) {
            const Measurement& m = map.byCodec[c];
            if (m.held)
                file << map.name << '\t' << map.width << '\t' << map.height << '\t'
                     << results.codecs[c] << '\t' << m.bytes << '\t' << m.encodeSeconds << '\t'
                     << m.decodeSeconds << '\n';
        }
    if (!file.flush())
        throw std::runtime_error(path + ": cannot write the measurements");
}

std::map<TsvKey, Measurement> ReadTsv(const std::string& path)
{
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error(path + ": cannot open");
    std::map<TsvKey, Measurement> measured;
    std::string line;
    std::getline(file, line);  // header
    for (size_t number = 2; std::getline(file, line); ++number) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            fields.push_back(cell);
        try {
            if (fields.size() != 7)
                throw std::invalid_argument("field count");
            Measurement m;
            m.held = true;
            m.bytes = std::stoull(fields[4]);
            m.encodeSeconds = std::stod(fields[5]);
            m.decodeSeconds = std::stod(fields[6]);
            measured[{fields[0], uint32_t(std::stoul(fields[1])), uint32_t(std::stoul(fields[2])),
                      fields[3]}] = m;
        } catch (const std::logic_error&) {
            throw std::runtime_error(path + ": line " + std::to_string(number) +
                                     " is not a measurement");
        }
    }
    return measured;
}

bool DrawChart(const CompareResults& results, const std::string& path, std::string& why)
{
    FILE* gnuplot = popen("gnuplot", "w");
    if (!gnuplot) {
        why = "gnuplot cannot be started";
        return false;
    }
    std::ostringstream script;
    const bool png = path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0;
    script << (png ? "set terminal pngcairo" : "set terminal svg dynamic")
           << " size 1400,620 noenhanced font 'sans,12' background '#ffffff'\n"
           << "set output '" << path << "'\n"
           << "set title 'Bits per pixel of each codec on each map (log scale, lower is "
              "smaller)'\n"
           << "set ylabel 'bits per pixel'\nset logscale y\nset grid ytics\n"
           << "set style data histograms\nset style histogram clustered gap 1\n"
           << "set style fill solid 0.85 border -1\nset boxwidth 0.9\n"
           << "set xtics rotate by 35 right scale 0 font ',10'\nset key outside top center horizontal\n"
           << "set bmargin 9\nset datafile missing '-'\n$bpp << EOD\nmap";
    for (const std::string& codec : results.codecs)
        script << " \"" << codec << '"';
    script << '\n';
    for (const MapResult& map : results.maps) {
        script << map.name;
        for (const Measurement& m : map.byCodec)
            script << ' ' << (m.held ? Bpp(m.bytes, map.Pixels()) : "-");
        script << '\n';
    }
    script << "EOD\nplot";
    for (size_t c = 0; c < results.codecs.size(); ++c)
        script << (c ? ", ''" : " $bpp") << " using " << c + 2 << (c ? "" : ":xtic(1)")
               << " title columnhead(" << c + 2 << ") lc rgb '" << ChartColour(results.codecs[c])
               << "'";
    script << '\n';
    const std::string text = script.str();
    const bool written = std::fwrite(text.data(), 1, text.size(), gnuplot) == text.size();
    const int status = pclose(gnuplot);
    if (!written || status != 0) {
        why = "gnuplot failed (status " + std::to_string(status) + ")";
        return false;
    }
    return true;
}
