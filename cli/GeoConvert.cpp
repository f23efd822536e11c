#include "cli/GeoConvert.h"

#include "doc/PictureFiles.h"
#include "doc/PictureGeoReference.h"
#include "gis/GdalModule.h"

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace {

// karvex_gdal.so beside rgm (the build folder) or where it is installed;
// null when neither is there or it cannot be loaded (GDAL missing).
const KarvexGdalModule* Gdal()
{
    static const KarvexGdalModule* const module = []() -> const KarvexGdalModule* {
        std::error_code ec;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec)
            return nullptr;
        std::vector<std::filesystem::path> places{self.parent_path() / "karvex_gdal.so"};
#ifdef KARVEX_GDAL_MODULE_INSTALLED
        places.push_back(self.parent_path() / KARVEX_GDAL_MODULE_INSTALLED);
#endif
        for (const auto& place : places) {
            if (!std::filesystem::is_regular_file(place, ec))
                continue;
            void* handle = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                std::fprintf(stderr, "rgm: GDAL cannot be used: %s\n", dlerror());
                return nullptr;
            }
            if (auto entry = reinterpret_cast<KarvexGdalModuleEntryPoint>(dlsym(handle, KARVEX_GDAL_MODULE_ENTRY)))
                return entry();
        }
        return nullptr;
    }();
    return module;
}

}  // namespace

bool WritesThroughGdal(const std::string& out)
{
    const std::string ext = ExtensionOf(out);
    return (ext == "tif" || ext == "tiff") && Gdal();
}

void LoadWithGeoReference(const std::string& in, CMapRaster& raster, std::optional<GeoReference>& geo,
                          const Limits& limits)
{
    const PictureFormat* format = FormatOfPath(in);
    if ((!format || !format->read) && Gdal() && Gdal()->knows(in)) {
        Gdal()->read(in, raster, geo, limits);
        return;
    }
    LoadPicture(in, raster, limits);
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
    if (WritesThroughGdal(out)) {
        Gdal()->writeGeoTiff(out, raster, geo);
        return;
    }
    SavePicture(out, raster);
    WritePictureGeoReference(out, geo);
}
