#include "gis/GdalPicture.h"

#include "doc/ColorHistogram.h"
#include "doc/PictureFiles.h"
#include "doc/SafeFile.h"

#include <gdal.h>
#include <ogr_srs_api.h>
#include <cpl_conv.h>
#include <cpl_string.h>
#include <cpl_vsi.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

void RegisterOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

std::string LastGdalError(const std::string& fallback)
{
    const char* message = CPLGetLastErrorMsg();
    return message && *message ? std::string(message) : fallback;
}

struct DatasetCloser {
    void operator()(void* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// The dataset's coordinate system as WKT2, or "" when it has none.
std::string CoordinateSystemOf(GDALDatasetH dataset)
{
    OGRSpatialReferenceH srs = GDALGetSpatialRef(dataset);
    if (!srs)
        return {};
    char* wkt = nullptr;
    const char* options[] = {"FORMAT=WKT2_2019", nullptr};
    std::string text;
    if (OSRExportToWktEx(srs, &wkt, options) == OGRERR_NONE && wkt)
        text = wkt;
    CPLFree(wkt);
    return text;
}

void ReadRows(GDALDatasetH dataset, int band, int width, int height, uint8_t* out, int pixelSpace,
              int64_t lineSpace)
{
    if (GDALRasterIOEx(GDALGetRasterBand(dataset, band), GF_Read, 0, 0, width, height, out, width, height,
                       GDT_Byte, pixelSpace, lineSpace, nullptr) != CE_None)
        throw GdalPictureError(LastGdalError("the pixels cannot be read"));
}

// One band with a colour table whose used entries fit the palette: copied as it is.
bool ReadPaletted(GDALDatasetH dataset, int width, int height, CMapRaster& raster)
{
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    GDALColorTableH table = GDALGetRasterColorTable(band);
    if (GDALGetRasterCount(dataset) != 1 || GDALGetRasterDataType(band) != GDT_Byte || !table)
        return false;
    std::vector<uint8_t> indexes(size_t(width) * size_t(height));
    ReadRows(dataset, 1, width, height, indexes.data(), 1, width);
    const int used = *std::max_element(indexes.begin(), indexes.end()) + 1;
    if (used > 255 || used > GDALGetColorEntryCount(table))
        return false;
    CMapRaster picture;
    picture.Resize(uint32_t(width), uint32_t(height));
    std::copy(indexes.begin(), indexes.end(), picture.IndexPlane());
    picture.colorCount = used;
    for (int i = 0; i < used; ++i) {
        GDALColorEntry entry;
        GDALGetColorEntryAsRGB(table, i, &entry);
        picture.palette[i] = uint32_t(entry.c1) | uint32_t(entry.c2) << 8 | uint32_t(entry.c3) << 16;
    }
    raster = std::move(picture);
    return true;
}

// Anything else as red, green and blue (a grey band as all three), then
// palette reduction.
void ReadTruecolour(GDALDatasetH dataset, int width, int height, CMapRaster& raster)
{
    const int bands = GDALGetRasterCount(dataset);
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(pixels.data());
    GDALRasterBandH first = GDALGetRasterBand(dataset, 1);
    if (bands < 3 && GDALGetRasterColorTable(first)) {
        std::vector<uint8_t> indexes(pixels.size());
        ReadRows(dataset, 1, width, height, indexes.data(), 1, width);
        GDALColorTableH table = GDALGetRasterColorTable(first);
        uint32_t colours[256] = {};
        for (int i = 0; i < std::min(256, GDALGetColorEntryCount(table)); ++i) {
            GDALColorEntry entry;
            GDALGetColorEntryAsRGB(table, i, &entry);
            colours[i] = uint32_t(entry.c1) | uint32_t(entry.c2) << 8 | uint32_t(entry.c3) << 16;
        }
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = colours[indexes[i]];
    } else {
        for (int c = 0; c < 3; ++c)
            ReadRows(dataset, bands >= 3 ? c + 1 : 1, width, height, bytes + c, 4, int64_t(width) * 4);
    }
    SetTruecolorPixels(raster, width, height, pixels.data());
}

}  // namespace

bool IsGeoTiffPath(const std::string& path)
{
    const std::string ext = ExtensionOf(path);
    return ext == "tif" || ext == "tiff";
}

void RasterFromDataset(void* dataset, CMapRaster& raster, const Limits& limits)
{
    GDALDatasetH handle = dataset;
    const int width = GDALGetRasterXSize(handle);
    const int height = GDALGetRasterYSize(handle);
    if (GDALGetRasterCount(handle) < 1)
        throw GdalPictureError("the file holds no raster band");
    if (width <= 0 || height <= 0 || uint32_t(width) > limits.maxSide || uint32_t(height) > limits.maxSide ||
        uint64_t(width) * uint64_t(height) > limits.maxPixels)
        throw GdalPictureError("picture size " + std::to_string(width) + " x " + std::to_string(height) +
                               " is outside the limits");
    CMapRaster picture;
    if (!ReadPaletted(handle, width, height, picture))
        ReadTruecolour(handle, width, height, picture);
    raster = std::move(picture);
}

std::optional<GeoReference> GeoReferenceOfDataset(void* dataset)
{
    GeoReference geo;
    if (GDALGetGeoTransform(dataset, geo.transform.data()) != CE_None)
        return std::nullopt;
    geo.wkt = CoordinateSystemOf(dataset);
    return geo;
}

void ReadThroughGdal(const std::string& path, CMapRaster& raster, std::optional<GeoReference>& geo,
                     const Limits& limits)
{
    RegisterOnce();
    CPLErrorReset();
    Dataset dataset(GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    if (!dataset)
        throw GdalPictureError(LastGdalError("GDAL cannot read this file"));
    std::optional<GeoReference> found = GeoReferenceOfDataset(dataset.get());
    RasterFromDataset(dataset.get(), raster, limits);
    geo = std::move(found);
}

void WriteGeoTiff(const std::string& path, const CMapRaster& raster, const std::optional<GeoReference>& geo)
{
    RegisterOnce();
    CPLErrorReset();
    static std::atomic<int> serial{0};
    // GDAL writes the whole file into memory first; the file is then put in place safely.
    struct MemoryFile {
        std::string path;
        ~MemoryFile() { VSIUnlink(path.c_str()); }
    } memory{"/vsimem/karvex_out_" + std::to_string(serial++) + ".tif"};
    const std::string& memPath = memory.path;
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (!driver)
        throw GdalPictureError("GDAL has no GeoTIFF driver");
    const char* options[] = {"COMPRESS=DEFLATE", nullptr};
    {
        Dataset dataset(GDALCreate(driver, memPath.c_str(), int(raster.width), int(raster.height), 1, GDT_Byte,
                                   const_cast<char**>(options)));
        if (!dataset)
            throw GdalPictureError(LastGdalError("GDAL cannot create the GeoTIFF"));
        GDALRasterBandH band = GDALGetRasterBand(dataset.get(), 1);
        GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
        for (int i = 0; i < raster.colorCount; ++i) {
            const uint32_t c = raster.palette[i];
            const GDALColorEntry entry{short(c & 0xFF), short(c >> 8 & 0xFF), short(c >> 16 & 0xFF), 255};
            GDALSetColorEntry(table, i, &entry);
        }
        GDALSetRasterColorTable(band, table);
        GDALDestroyColorTable(table);
        if (geo) {
            GDALSetGeoTransform(dataset.get(), const_cast<double*>(geo->transform.data()));
            if (!geo->wkt.empty()) {
                // SetFromUserInput also takes the ESRI WKT a .prj file may hold.
                OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
                const bool known = OSRSetFromUserInput(srs, geo->wkt.c_str()) == OGRERR_NONE;
                if (known)
                    GDALSetSpatialRef(dataset.get(), srs);
                OSRDestroySpatialReference(srs);
                if (!known)
                    throw GdalPictureError("GDAL does not know the coordinate system");
            }
        }
        if (GDALRasterIO(band, GF_Write, 0, 0, int(raster.width), int(raster.height), raster.IndexPlane(),
                         int(raster.width), int(raster.height), GDT_Byte, 0, 0) != CE_None)
            throw GdalPictureError(LastGdalError("the pixels cannot be written"));
    }
    vsi_l_offset size = 0;
    GByte* bytes = VSIGetMemFileBuffer(memPath.c_str(), &size, FALSE);
    if (!bytes || CPLGetLastErrorType() >= CE_Failure)
        throw GdalPictureError(LastGdalError("GDAL could not write the GeoTIFF"));
    WriteFileAtomically(path, bytes, size_t(size));
}
