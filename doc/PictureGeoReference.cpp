#include "doc/PictureGeoReference.h"

#include "doc/GeoChunk.h"
#include "doc/PictureFiles.h"
#include "doc/SafeFile.h"

std::optional<GeoReference> ReadPictureGeoReference(const std::string& path)
{
    if (ExtensionOf(path) == "rgz")
        return GeoReferenceOfRgz(ReadWholeFile(path));
    return ReadSidecarGeoReference(path);
}

std::optional<GeoReference> ReadPictureGeoReference(const std::string& path, std::string& problem)
{
    problem.clear();
    if (ExtensionOf(path) == "rgz")
        return ReadPictureGeoReference(path);
    try {
        return ReadSidecarGeoReference(path);
    } catch (const std::exception& e) {
        problem = e.what();
        return std::nullopt;
    }
}

void WritePictureGeoReference(const std::string& path, const std::optional<GeoReference>& geo)
{
    if (!geo)
        return;
    if (ExtensionOf(path) == "rgz")
        WriteFileAtomically(path, WithGeoReference(ReadWholeFile(path), geo));
    else
        WriteSidecarGeoReference(path, *geo);
}
