#include "cli/Commands.h"
#include "cli/GeoConvert.h"

#include "codec/MapRaster.h"
#include "doc/ColorHistogram.h"
#include "doc/GeoChunk.h"
#include "doc/PictureGeoReference.h"
#include "doc/PictureFiles.h"
#include "doc/RgzFile.h"
#include "doc/SafeFile.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <stdio_ext.h>

int RunConvert(const std::string& in, const std::string& out, std::optional<int> colours, bool best,
               const Limits& limits)
{
    const PictureFormat* outFormat = FormatOfPath(out);
    if ((!outFormat || !outFormat->write) && !WritesThroughGdal(out))
        throw FileProblem(out, "cannot write this format (expected " + ExtensionList(FormatUse::Write) + ")");
    if (best && ExtensionOf(out) != "rgz")
        throw UsageError("--best applies to .rgz output only");

    // A picture read from .rgm is decoded into a new, all-zero raster.
    CMapRaster raster;
    std::optional<GeoReference> geo;
    ForFile(in, [&] { LoadWithGeoReference(in, raster, geo, limits); });
    const int before = raster.colorCount;
    if (colours && *colours < raster.colorCount)
        ForFile(in, [&] { ReduceColorCount(raster, *colours); });
    // .rgm to .rgz and back keep the file's bytes, also those of an .rgm
    // file our encoder would not write (kept in the .rgz fallback mode).
    const std::string from = ExtensionOf(in), to = ExtensionOf(out);
    const bool sameColours = raster.colorCount == before;
    if (sameColours && from == "rgm" && to == "rgz") {
        std::vector<uint8_t> rgm;
        ForFile(in, [&] { rgm = ReadWholeFile(in); });
        ForFile(out, [&] {
            WriteFileAtomically(out, WithGeoReference(RgmToRgz(rgm, best ? RgzLevel::Best : RgzLevel::Fast), geo));
        });
    } else if (sameColours && from == "rgz" && to == "rgm") {
        std::vector<uint8_t> rgz;
        ForFile(in, [&] { rgz = ReadWholeFile(in); });
        ForFile(out, [&] {
            WriteFileAtomically(out, RgzToRgm(rgz));
            WritePictureGeoReference(out, geo);
        });
    } else {
        ForFile(out, [&] {
            if (best) {
                SaveRgz(raster, out, RgzLevel::Best);
                WritePictureGeoReference(out, geo);
            } else {
                SaveWithGeoReference(out, raster, geo);
            }
        });
    }
    std::signal(SIGPIPE, SIG_IGN);  // a closed pipe must not kill the tool now that OUT is written

    std::error_code ec;
    const auto bytes = std::filesystem::file_size(out, ec);
    std::printf("%s: %u x %u pixels, %d colours", in.c_str(), raster.width, raster.height, before);
    if (raster.colorCount != before)
        std::printf(" lowered to %d", raster.colorCount);
    std::printf(" -> %s", out.c_str());
    if (!ec)
        std::printf(" (%llu bytes)", static_cast<unsigned long long>(bytes));
    std::printf("\n");

    // OUT is in place: a summary that cannot be printed (standard output full
    // or closed) is reported, but the convert has not failed.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "rgm: %s was written; its summary line could not be printed\n", out.c_str());
        __fpurge(stdout);
        std::clearerr(stdout);
    }
    return EXIT_OK;
}
