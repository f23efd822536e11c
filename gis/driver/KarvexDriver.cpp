// Entry point GDAL calls when it loads gdal_Karvex.so from its plugin folder.
#include "gis/driver/KarvexDataset.h"

#include <gdal_priv.h>

extern "C" __attribute__((visibility("default"))) void GDALRegister_Karvex()
{
    if (!GDAL_CHECK_VERSION("Karvex"))
        return;
    if (GDALGetDriverByName("Karvex") != nullptr)
        return;
    auto* driver = new GDALDriver();
    driver->SetDescription("Karvex");
    driver->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Karvex map picture (.rgm, .rgz)");
    driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "rgz rgm");
    driver->SetMetadataItem(GDAL_DMD_CREATIONDATATYPES, "Byte");
    driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
    driver->pfnIdentify = KarvexDataset::Identify;
    driver->pfnOpen = KarvexDataset::Open;
    driver->pfnCreateCopy = KarvexDataset::CreateCopy;
    GetGDALDriverManager()->RegisterDriver(driver);
}
