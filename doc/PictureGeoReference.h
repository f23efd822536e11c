// The georeferencing that travels with a picture file: inside an .rgz file,
// as a world file and .prj file beside any other.
#pragma once

#include "doc/GeoReference.h"

#include <optional>
#include <string>

// Null when the picture has none. Throws GeoReferenceError, RgzFormatError
// or FileError for georeferencing that is there but cannot be read.
std::optional<GeoReference> ReadPictureGeoReference(const std::string& path);

// The same, but a world file or .prj file that cannot be read leaves the
// georeferencing out (null, the reason in problem) instead of throwing; an
// .rgz file's damaged chunk is still refused like any other damage.
std::optional<GeoReference> ReadPictureGeoReference(const std::string& path, std::string& problem);

// Stores geo with the picture just written to path: into the .rgz file, or
// beside it. Nothing happens when geo is null.
void WritePictureGeoReference(const std::string& path, const std::optional<GeoReference>& geo);
