// GDAL reading and writing Karvex files through the plugin, and rgm convert
// carrying georeferencing between GeoTIFF, JPEG with world file and .rgz.
// Test maps are made here with GDAL itself.
#include "support/TestSupport.h"

#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogr_spatialref.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

struct Closer {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, Closer>;

constexpr int W = 97, H = 61, COLOURS = 7;
const double TRANSFORM[6] = {431234.5, 2.5, 0, 5412345.25, 0, -2.5};

// GDAL with the plugin from the build folder, once for the test program.
class GdalWithPlugin : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("GDAL_DRIVER_PATH", KARVEX_GDAL_PLUGIN_DIR, 1);
        GDALAllRegister();
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new GdalWithPlugin);

Dataset Open(const std::string& path) { return Dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER)); }

// A paletted GeoTIFF in UTM zone 33N: bands of colour with a few stray pixels.
void MakeGeoTiff(const std::string& path)
{
    GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
    Dataset map(gtiff->Create(path.c_str(), W, H, 1, GDT_Byte, nullptr));
    ASSERT_TRUE(map);
    std::vector<uint8_t> pixels(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            pixels[y * W + x] = uint8_t(((x + 2 * y) / 9 + (x * y % 31 == 0)) % COLOURS);
    ASSERT_EQ(map->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, W, H, pixels.data(), W, H, GDT_Byte, 0, 0), CE_None);
    GDALColorTable table;
    for (short i = 0; i < COLOURS; ++i) {
        const GDALColorEntry entry{short(i * 30), short(255 - i * 20), short(i * i), 255};
        table.SetColorEntry(i, &entry);
    }
    map->GetRasterBand(1)->SetColorTable(&table);
    map->SetGeoTransform(const_cast<double*>(TRANSFORM));
    OGRSpatialReference utm;
    utm.importFromEPSG(32633);
    map->SetSpatialRef(&utm);
}

std::vector<uint8_t> Pixels(GDALDataset& dataset)
{
    std::vector<uint8_t> pixels(size_t(dataset.GetRasterXSize()) * dataset.GetRasterYSize());
    EXPECT_EQ(dataset.GetRasterBand(1)->RasterIO(GF_Read, 0, 0, dataset.GetRasterXSize(), dataset.GetRasterYSize(),
                                                 pixels.data(), dataset.GetRasterXSize(), dataset.GetRasterYSize(),
                                                 GDT_Byte, 0, 0),
              CE_None);
    return pixels;
}

std::vector<double> Transform(GDALDataset& dataset)
{
    std::vector<double> t(6);
    EXPECT_EQ(dataset.GetGeoTransform(t.data()), CE_None);
    return t;
}

// Runs a command line; its output goes to the test log.
int Shell(const std::string& command) { return std::system(("{ " + command + "; } >&2").c_str()); }

// gdal_translate IN OUT [-of FORMAT], in this process (as the tool does it).
bool Translate(const std::string& in, const std::string& out, const char* format = nullptr)
{
    std::vector<const char*> args{"-q"};
    if (format)
        args.insert(args.end(), {"-of", format});
    args.push_back(nullptr);
    GDALTranslateOptions* options = GDALTranslateOptionsNew(const_cast<char**>(args.data()), nullptr);
    Dataset source = Open(in);
    GDALDatasetH result =
        source ? GDALTranslate(out.c_str(), GDALDataset::ToHandle(source.get()), options, nullptr) : nullptr;
    GDALTranslateOptionsFree(options);
    GDALClose(result);
    return result != nullptr;
}

const std::string RGM = KARVEX_RGM_TOOL;

TEST(GdalPlugin, ShowsAnRgzFromAGeoTiffAsGdalShowsTheGeoTiff)
{
    TempDir dir;
    MakeGeoTiff(dir / "map.tif");
    ASSERT_EQ(Shell(RGM + " convert " + (dir / "map.tif") + " " + (dir / "map.rgz")), 0);
#ifndef KARVEX_SANITIZED  // the tool cannot load a plugin built with the sanitizers
    if (Shell("command -v gdalinfo >/dev/null") != 0) {
        ADD_FAILURE() << "gdalinfo not installed (Debian package gdal-bin)";
    } else {
        ASSERT_EQ(Shell("gdalinfo " + (dir / "map.rgz") + " > " + (dir / "info.txt")), 0);
        std::string info((std::istreambuf_iterator<char>(std::ifstream(dir / "info.txt").rdbuf())), {});
        EXPECT_NE(info.find("Driver: Karvex"), std::string::npos) << info;
        EXPECT_NE(info.find("ID[\"EPSG\",32633]"), std::string::npos) << info;
    }
#endif

    Dataset tiff = Open(dir / "map.tif");
    Dataset rgz = Open(dir / "map.rgz");
    ASSERT_TRUE(tiff && rgz);
    EXPECT_STREQ(rgz->GetDriver()->GetDescription(), "Karvex");
    EXPECT_EQ(rgz->GetRasterXSize(), W);
    EXPECT_EQ(rgz->GetRasterYSize(), H);
    EXPECT_EQ(Transform(*rgz), Transform(*tiff));
    EXPECT_TRUE(rgz->GetSpatialRef() && rgz->GetSpatialRef()->IsSame(tiff->GetSpatialRef()));
    const GDALColorTable* tiffTable = tiff->GetRasterBand(1)->GetColorTable();
    const GDALColorTable* rgzTable = rgz->GetRasterBand(1)->GetColorTable();
    ASSERT_TRUE(rgzTable);
    ASSERT_EQ(rgzTable->GetColorEntryCount(), COLOURS);  // TIFF pads its table to 256 entries
    for (int i = 0; i < COLOURS; ++i) {
        const GDALColorEntry *a = tiffTable->GetColorEntry(i), *b = rgzTable->GetColorEntry(i);
        EXPECT_TRUE(a->c1 == b->c1 && a->c2 == b->c2 && a->c3 == b->c3) << "entry " << i;
    }

    // gdal_translate back to GeoTIFF, and into .rgm and .rgz through the plugin's CreateCopy.
    ASSERT_TRUE(Translate(dir / "map.rgz", dir / "back.tif"));
    ASSERT_TRUE(Translate(dir / "map.tif", dir / "copy.rgm", "Karvex"));
    ASSERT_TRUE(Translate(dir / "copy.rgm", dir / "copy.rgz", "Karvex"));
    for (const char* name : {"back.tif", "copy.rgm", "copy.rgz"}) {
        Dataset copy = Open(dir / name);
        ASSERT_TRUE(copy) << name;
        EXPECT_EQ(Pixels(*copy), Pixels(*tiff)) << name;
        EXPECT_EQ(Transform(*copy), Transform(*tiff)) << name;
        EXPECT_TRUE(copy->GetSpatialRef() && copy->GetSpatialRef()->IsSame(tiff->GetSpatialRef())) << name;
    }
}

TEST(GdalPlugin, JpegWithWorldFileKeepsEveryCornerThroughRgzToGeoTiff)
{
    TempDir dir;
    MakeGeoTiff(dir / "map.tif");
    {
        Dataset tiff = Open(dir / "map.tif");
        GDALDriver* jpeg = GetGDALDriverManager()->GetDriverByName("JPEG");
        const char* options[] = {"WORLDFILE=YES", "QUALITY=95", nullptr};
        Dataset(jpeg->CreateCopy((dir / "map.jpg").c_str(), tiff.get(), FALSE, const_cast<char**>(options),
                                 nullptr, nullptr));
        char* esri = nullptr;
        const char* format[] = {"FORMAT=WKT1_ESRI", nullptr};
        tiff->GetSpatialRef()->exportToWkt(&esri, format);
        std::ofstream(dir / "map.prj") << esri;
        CPLFree(esri);
    }
    ASSERT_TRUE(std::filesystem::exists(dir / "map.wld"));
    std::filesystem::rename(dir / "map.wld", dir / "map.jgw");
    ASSERT_EQ(Shell(RGM + " convert " + (dir / "map.jpg") + " " + (dir / "map.rgz")), 0);
    ASSERT_EQ(Shell(RGM + " convert " + (dir / "map.rgz") + " " + (dir / "out.tif")), 0);

    Dataset source = Open(dir / "map.tif");
    Dataset result = Open(dir / "out.tif");
    ASSERT_TRUE(result);
    const std::vector<double> a = Transform(*source), b = Transform(*result);
    for (int col : {0, W})
        for (int row : {0, H}) {
            EXPECT_NEAR(a[0] + col * a[1] + row * a[2], b[0] + col * b[1] + row * b[2], 1e-6) << col << "," << row;
            EXPECT_NEAR(a[3] + col * a[4] + row * a[5], b[3] + col * b[4] + row * b[5], 1e-6) << col << "," << row;
        }
    EXPECT_TRUE(result->GetSpatialRef() && result->GetSpatialRef()->IsSame(source->GetSpatialRef()));
}

}  // namespace
