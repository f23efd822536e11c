#include "cli/Commands.h"
#include "cli/GeoConvert.h"

#include "codec/MapRaster.h"
#include "doc/ColorHistogram.h"
#include "doc/PictureFiles.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <stdio_ext.h>

int RunConvert(const std::string& in, const std::string& out, std::optional<int> colours)
{
    const PictureFormat* outFormat = FormatOfPath(out);
    if ((!outFormat || !outFormat->write) && !WritesThroughGdal(out))
        throw FileProblem(out, "cannot write this format (expected " + ExtensionList(FormatUse::Write) + ")");

    // A picture read from .rgm is decoded into a new, all-zero raster.
    CMapRaster raster;
    std::optional<GeoReference> geo;
    ForFile(in, [&] { LoadWithGeoReference(in, raster, geo); });
    const int before = raster.colorCount;
    if (colours && *colours < raster.colorCount)
        ForFile(in, [&] { ReduceColorCount(raster, *colours); });
    ForFile(out, [&] { SaveWithGeoReference(out, raster, geo); });
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
