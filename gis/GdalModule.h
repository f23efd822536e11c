// The GDAL part of the rgm tool lives in a module of its own (karvex_gdal.so),
// loaded only when a file needs GDAL: linking GDAL into rgm would cost every
// run a fifth of a second of start-up for the hundred libraries it brings.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "doc/GeoReference.h"

#include <optional>
#include <string>

// What the module offers; the functions throw like those in GdalPicture.h.
struct KarvexGdalModule {
    bool (*knows)(const std::string& path);  // GDAL recognises the file as a raster
    void (*read)(const std::string& path, CMapRaster& raster, std::optional<GeoReference>& geo, const Limits& limits);
    void (*writeGeoTiff)(const std::string& path, const CMapRaster& raster, const std::optional<GeoReference>& geo);
};

// The module's one exported symbol.
#define KARVEX_GDAL_MODULE_ENTRY "KarvexGdalModuleEntry"
using KarvexGdalModuleEntryPoint = const KarvexGdalModule* (*)();
