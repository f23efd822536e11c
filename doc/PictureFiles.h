// Choosing a reader or writer by file extension, shared by the desktop
// program and the rgm tool.
#pragma once

#include "codec/MapRaster.h"

#include <string>

enum class PictureKind { Rgm, Jpg, Bmp, Unknown };

// The text after the last '.' of the whole path, ASCII letters lower-cased.
// A path without '.' has no extension and is Unknown. "jpeg" is Unknown.
std::string ExtensionOf(const std::string& path);
PictureKind KindOfPath(const std::string& path);

// Reads any picture Karvex opens (.rgm, .jpg, .bmp) into raster. Throws on
// failure (FileError, RgmFormatError, ImportError, RasterError, or
// std::invalid_argument for an unknown extension).
void LoadPicture(const std::string& path, CMapRaster& raster);

// Writes raster as .rgm or .bmp by path's extension. Throws on failure;
// std::invalid_argument for any other extension. Never leaves a partial file.
void SavePicture(const std::string& path, CMapRaster& raster);
