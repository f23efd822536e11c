// karvex_gdal.so: the rgm tool's GDAL functions behind one entry point.
#include "gis/GdalModule.h"
#include "gis/GdalPicture.h"

#include <gdal.h>

#include <mutex>

namespace {

bool Knows(const std::string& path)
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
    return GDALIdentifyDriverEx(path.c_str(), GDAL_OF_RASTER, nullptr, nullptr) != nullptr;
}

const KarvexGdalModule MODULE{Knows, ReadThroughGdal, WriteGeoTiff};

}  // namespace

extern "C" __attribute__((visibility("default"))) const KarvexGdalModule* KarvexGdalModuleEntry() { return &MODULE; }
