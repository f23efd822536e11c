// Pictures with their georeferencing for rgm convert: world files and .prj
// files beside a picture, the .rgz chunk, and (when built with GDAL)
// GeoTIFF output and any raster GDAL reads as input (through karvex_gdal.so,
// when it was built and GDAL is installed).
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "doc/GeoReference.h"

#include <optional>
#include <string>

// OUT is written through GDAL (.tif, .tiff).
bool WritesThroughGdal(const std::string& out);

// Reads IN through the table of formats, or through GDAL when no row reads
// it and GDAL knows the file; geo is its georeferencing or null.
void LoadWithGeoReference(const std::string& in, CMapRaster& raster, std::optional<GeoReference>& geo,
                          const Limits& limits = Limits{});

// The georeferencing that travels with path: refused when an .rgz file's
// chunk is damaged; left out, with a warning, when a world file or .prj
// file beside the picture cannot be read.
std::optional<GeoReference> GeoReferenceOf(const std::string& path);

// Writes OUT and then its georeferencing (inside an .rgz file, beside any other).
void SaveWithGeoReference(const std::string& out, CMapRaster& raster, const std::optional<GeoReference>& geo);
