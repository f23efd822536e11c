#include "gis/driver/KarvexDataset.h"

#include "doc/GeoChunk.h"
#include "doc/PictureFiles.h"
#include "gis/GdalPicture.h"
#include "rgz/Rgz.h"

#include <cpl_vsi.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

bool IsRgz(const GDALOpenInfo* info)
{
    return info->nHeaderBytes >= 4 && std::memcmp(info->pabyHeader, RGZ_SIGNATURE, 4) == 0;
}

// .rgm files have no signature: the extension and a header that can be one.
bool LooksLikeRgm(const GDALOpenInfo* info)
{
    if (ExtensionOf(info->pszFilename) != "rgm" || info->nHeaderBytes < 8)
        return false;
    const uint8_t* h = info->pabyHeader;
    const unsigned width = h[0] | h[1] << 8, height = h[2] | h[3] << 8, colours = h[4];
    return width > 0 && height > 0 && colours > 0 && colours < 256;
}

std::vector<uint8_t> ReadAll(VSILFILE* file, const std::string& name, const Limits& limits)
{
    if (VSIFSeekL(file, 0, SEEK_END) != 0)
        throw std::runtime_error(name + ": cannot be read");
    const vsi_l_offset size = VSIFTellL(file);
    if (size > limits.maxFileBytes)
        throw std::runtime_error(name + ": larger than " + std::to_string(limits.maxFileBytes) + " bytes");
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (VSIFSeekL(file, 0, SEEK_SET) != 0 || VSIFReadL(bytes.data(), 1, bytes.size(), file) != bytes.size())
        throw std::runtime_error(name + ": cannot be read");
    return bytes;
}

bool IsRealFile(const std::string& path) { return path.rfind("/vsi", 0) != 0; }

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    VSILFILE* file = VSIFOpenL(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error(path + ": cannot be created");
    const bool written = VSIFWriteL(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (VSIFCloseL(file) != 0 || !written)
        throw std::runtime_error(path + ": cannot be written");
}

}  // namespace

int KarvexDataset::Identify(GDALOpenInfo* info) { return IsRgz(info) || LooksLikeRgm(info); }

GDALDataset* KarvexDataset::Open(GDALOpenInfo* info)
{
    if (!Identify(info) || !info->fpL)
        return nullptr;
    if (info->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported, "Karvex files are read-only; write them with CreateCopy");
        return nullptr;
    }
    auto dataset = std::make_unique<KarvexDataset>();
    try {
        const std::vector<uint8_t> bytes = ReadAll(info->fpL, info->pszFilename, Limits{});
        if (IsRgz(info)) {
            DecodeRgz(bytes, dataset->picture_);
            dataset->geo_ = GeoReferenceOfRgz(bytes);
        } else {
            dataset->picture_.Decode(bytes.size(), bytes.data());
            if (IsRealFile(info->pszFilename))
                dataset->geo_ = ReadSidecarGeoReference(info->pszFilename);
        }
    } catch (const std::bad_alloc&) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "%s: not enough memory", info->pszFilename);
        return nullptr;
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s", e.what());
        return nullptr;
    }
    if (dataset->geo_ && !dataset->geo_->wkt.empty()) {
        dataset->srs_.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        if (dataset->srs_.SetFromUserInput(dataset->geo_->wkt.c_str()) != OGRERR_NONE)
            CPLError(CE_Warning, CPLE_AppDefined, "%s: the coordinate system is not known to GDAL",
                     info->pszFilename);
    }
    dataset->nRasterXSize = int(dataset->picture_.width);
    dataset->nRasterYSize = int(dataset->picture_.height);
    dataset->SetBand(1, new KarvexBand(dataset.get()));
    dataset->SetDescription(info->pszFilename);
    dataset->TryLoadXML();
    dataset->oOvManager.Initialize(dataset.get(), info->pszFilename);
    return dataset.release();
}

CPLErr KarvexDataset::GetGeoTransform(double* transform)
{
    if (!geo_)
        return GDALPamDataset::GetGeoTransform(transform);
    std::memcpy(transform, geo_->transform.data(), sizeof(double) * 6);
    return CE_None;
}

const OGRSpatialReference* KarvexDataset::GetSpatialRef() const
{
    if (!geo_ || srs_.IsEmpty())
        return GDALPamDataset::GetSpatialRef();
    return &srs_;
}

GDALDataset* KarvexDataset::CreateCopy(const char* path, GDALDataset* source, int, char**,
                                       GDALProgressFunc progress, void* progressData)
{
    const std::string ext = ExtensionOf(path);
    if (ext != "rgm" && ext != "rgz") {
        CPLError(CE_Failure, CPLE_NotSupported, "%s: a Karvex file is named .rgm or .rgz", path);
        return nullptr;
    }
    try {
        CMapRaster picture;
        RasterFromDataset(GDALDataset::ToHandle(source), picture);
        const std::optional<GeoReference> geo = GeoReferenceOfDataset(GDALDataset::ToHandle(source));
        if (ext == "rgz") {
            std::vector<RgzChunk> chunks;
            if (geo)
                chunks.push_back(EncodeGeoChunk(*geo));
            WriteAll(path, EncodeRgz(picture, RgzLevel::Fast, chunks));
        } else {
            std::vector<uint8_t> rgm;
            picture.Encode(rgm);
            WriteAll(path, rgm);
            if (geo && IsRealFile(path))
                WriteSidecarGeoReference(path, *geo);
        }
    } catch (const std::bad_alloc&) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "%s: not enough memory", path);
        return nullptr;
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s: %s", path, e.what());
        return nullptr;
    }
    if (progress)
        progress(1.0, nullptr, progressData);
    return GDALDataset::FromHandle(GDALOpen(path, GA_ReadOnly));
}

KarvexBand::KarvexBand(KarvexDataset* dataset)
{
    poDS = dataset;
    nBand = 1;
    eDataType = GDT_Byte;
    nRasterXSize = dataset->GetRasterXSize();
    nRasterYSize = dataset->GetRasterYSize();
    nBlockXSize = nRasterXSize;
    nBlockYSize = 1;
    const CMapRaster& picture = dataset->Picture();
    for (int i = 0; i < picture.colorCount; ++i) {
        const uint32_t c = picture.palette[i];
        const GDALColorEntry entry{short(c & 0xFF), short(c >> 8 & 0xFF), short(c >> 16 & 0xFF), 255};
        table_.SetColorEntry(i, &entry);
    }
}

CPLErr KarvexBand::IReadBlock(int, int blockY, void* out)
{
    const CMapRaster& picture = static_cast<KarvexDataset*>(poDS)->Picture();
    std::memcpy(out, picture.indexRows[blockY], picture.width);
    return CE_None;
}
