// The georeferencing that travels with a picture file: inside an .rgz file,
// as a world file and .prj file beside any other.
#pragma once

#include "doc/GeoReference.h"

#include <optional>
#include <string>

// Null when the picture has none. Throws GeoReferenceError, RgzFormatError
// or FileError for georeferencing that is there but cannot be read.
std::optional<GeoReference> ReadPictureGeoReference(const std::string& path);

// Stores geo with the picture just written to path: into the .rgz file, or
// beside it. Nothing happens when geo is null.
void WritePictureGeoReference(const std::string& path, const std::optional<GeoReference>& geo);
