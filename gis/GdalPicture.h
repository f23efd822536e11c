// Pictures read and written through GDAL: any raster GDAL reads as an
// input, GeoTIFF as an output, with their georeferencing.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "doc/GeoReference.h"

#include <optional>
#include <stdexcept>
#include <string>

// A file GDAL cannot read or write as asked; the message says why.
class GdalPictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True for the extensions written as GeoTIFF (.tif, .tiff).
bool IsGeoTiffPath(const std::string& path);

// Reads path through GDAL into raster (replaced only on success) and its
// georeferencing into geo. One 8-bit band with a colour table of at most
// 255 used entries is taken as it is; other pictures (grey, RGB, more
// colours) go through palette reduction like any truecolour import.
void ReadThroughGdal(const std::string& path, CMapRaster& raster, std::optional<GeoReference>& geo,
                     const Limits& limits = {});

// The same for a dataset already open (GDALDatasetH).
void RasterFromDataset(void* dataset, CMapRaster& raster, const Limits& limits = {});
std::optional<GeoReference> GeoReferenceOfDataset(void* dataset);

// Writes raster as a GeoTIFF: one 8-bit band with its colour table, and
// geo when given. Written whole, then put in place safely.
void WriteGeoTiff(const std::string& path, const CMapRaster& raster, const std::optional<GeoReference>& geo);
