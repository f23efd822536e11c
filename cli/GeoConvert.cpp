#include "cli/GeoConvert.h"

#include "doc/PictureFiles.h"
#include "doc/PictureGeoReference.h"

#include <cstdio>

#ifdef KARVEX_WITH_GDAL
#include "gis/GdalPicture.h"

#include <gdal.h>
#endif

namespace {

#ifdef KARVEX_WITH_GDAL
bool GdalKnows(const std::string& path)
{
    GDALAllRegister();
    return GDALIdentifyDriverEx(path.c_str(), GDAL_OF_RASTER, nullptr, nullptr) != nullptr;
}
#endif

}  // namespace

bool WritesThroughGdal([[maybe_unused]] const std::string& out)
{
#ifdef KARVEX_WITH_GDAL
    return IsGeoTiffPath(out);
#else
    return false;
#endif
}

void LoadWithGeoReference(const std::string& in, CMapRaster& raster, std::optional<GeoReference>& geo)
{
    const PictureFormat* format = FormatOfPath(in);
#ifdef KARVEX_WITH_GDAL
    if ((!format || !format->read) && GdalKnows(in)) {
        ReadThroughGdal(in, raster, geo);
        return;
    }
#endif
    LoadPicture(in, raster);
    geo = GeoReferenceOf(in);
}

std::optional<GeoReference> GeoReferenceOf(const std::string& path)
{
    std::string problem;
    std::optional<GeoReference> geo = ReadPictureGeoReference(path, problem);
    if (!problem.empty())
        std::fprintf(stderr, "rgm: %s: georeferencing left out: %s\n", path.c_str(), problem.c_str());
    return geo;
}

void SaveWithGeoReference(const std::string& out, CMapRaster& raster, const std::optional<GeoReference>& geo)
{
#ifdef KARVEX_WITH_GDAL
    if (WritesThroughGdal(out)) {
        WriteGeoTiff(out, raster, geo);
        return;
    }
#endif
    SavePicture(out, raster);
    WritePictureGeoReference(out, geo);
}
