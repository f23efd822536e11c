// The picture formats Karvex reads and writes, in one table shared by the
// desktop program and the rgm tool. A new format is one row in
// PictureFiles.cpp plus its reader and writer; the open and save dialogs,
// the save-name adjustment and the rgm tool's checks and usage text all
// follow from the table.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"

#include <span>
#include <string>
#include <vector>

// Reads path into raster; throws on failure and then leaves raster as it was
// (or, for .rgm faults past the header, resized).
using PictureReader = void (*)(const std::string& path, CMapRaster& raster, const Limits& limits);
// Writes raster to path; throws on failure and never leaves a partial file.
using PictureWriter = void (*)(const std::string& path, CMapRaster& raster);

struct PictureFormat {
    const char* name;                     // short name; front ends key their own texts by it
    std::vector<std::string> extensions;  // lower case, without the dot; matched case-insensitively
    PictureReader read;                   // null when the format cannot be read
    PictureWriter write;                  // null when it cannot be written
    const char* filter;                   // this format's part of a dialog filter's name, e.g. "*.rgm"
};

// Every format, in the order the dialogs and messages list them.
std::span<const PictureFormat> PictureFormats();

// The text after the last '.' of the whole path, ASCII letters lower-cased.
// A path without '.' has no extension.
std::string ExtensionOf(const std::string& path);

// The format of path's extension, or null when no row has it.
const PictureFormat* FormatOfPath(const std::string& path);
const PictureFormat* FormatOfExtension(const std::string& lowerCaseExtension);

enum class FormatUse { Read, Write };

// The extensions of the formats usable this way: ".rgm, .jpg or .bmp".
std::string ExtensionList(FormatUse use);

// One dialog filter for all the formats usable this way:
// "*.rgm;*.bmp (*.rgm *.bmp *.RGM *.BMP)".
std::string DialogFilter(FormatUse use);

// The extension a saved file gets when its name has none that can be written.
const std::string& DefaultSaveExtension();

// Reads any picture Karvex opens into raster. Throws on failure: the
// reader's errors, or std::invalid_argument for an extension no row reads.
void LoadPicture(const std::string& path, CMapRaster& raster, const Limits& limits = {});

// Writes raster in the format of path's extension. Throws on failure,
// std::invalid_argument for an extension no row writes. Never leaves a partial file.
void SavePicture(const std::string& path, CMapRaster& raster);
