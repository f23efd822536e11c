// A Karvex picture (.rgm or .rgz) as GDAL sees it: one 8-bit band with its
// colour table, the georeferencing (the .rgz chunk, or a world file and .prj
// file beside an .rgm file), and external overviews through GDAL's manager.
#pragma once

#include "codec/MapRaster.h"
#include "doc/GeoReference.h"

#include <gdal_pam.h>
#include <ogr_spatialref.h>

#include <optional>

class KarvexDataset final : public GDALPamDataset {
public:
    static int Identify(GDALOpenInfo* info);
    static GDALDataset* Open(GDALOpenInfo* info);
    static GDALDataset* CreateCopy(const char* path, GDALDataset* source, int strict, char** options,
                                   GDALProgressFunc progress, void* progressData);

    CPLErr GetGeoTransform(double* transform) override;
    const OGRSpatialReference* GetSpatialRef() const override;

    const CMapRaster& Picture() const { return picture_; }

private:
    CMapRaster picture_;  // decoded once, when the file is opened
    std::optional<GeoReference> geo_;
    OGRSpatialReference srs_;
};

class KarvexBand final : public GDALPamRasterBand {
public:
    explicit KarvexBand(KarvexDataset* dataset);

    CPLErr IReadBlock(int blockX, int blockY, void* out) override;
    GDALColorInterp GetColorInterpretation() override { return GCI_PaletteIndex; }
    GDALColorTable* GetColorTable() override { return &table_; }

private:
    GDALColorTable table_;
};
