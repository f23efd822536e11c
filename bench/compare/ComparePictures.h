// The pictures `compare` measures and how it reads them.
#pragma once

#include "codec/MapRaster.h"

#include <string>
#include <vector>

// ComparePicture::source of a picture read from its reference .rgm.
constexpr const char* REFERENCE_SOURCE = "read from the reference .rgm";

struct ComparePicture {
    std::string name;  // file name without folder and extension
    std::string source;  // how the indexed picture was made, for the report
    CMapRaster raster;
    std::vector<uint8_t> expectedRgm;  // the reference .rgm it came from, if any
};

// Every picture named: files as given, folders expanded to their .png files
// and the files Karvex reads (not recursively), in name order.
std::vector<std::string> ListPictures(const std::vector<std::string>& paths);

// Reads the indexed picture Karvex makes from path. A reference file
// `expected/<name>.rgm` beside the picture is preferred: it holds exactly that
// picture. Otherwise a file is read as Karvex reads it, and a .png is
// imported through the same palette reduction as a bitmap.
// Throws on failure.
void LoadComparePicture(const std::string& path, ComparePicture& picture);
