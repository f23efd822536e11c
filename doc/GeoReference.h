// Where a map picture lies on the ground: the affine geotransform and the
// coordinate system, and the files that carry them beside a picture (a world
// file and a .prj file, named as GDAL names them).
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Pixel/line to map coordinates, as GDAL orders it: for the pixel corner
// (col, row), x = t[0] + col*t[1] + row*t[2] and y = t[3] + col*t[4] + row*t[5].
using GeoTransform = std::array<double, 6>;

struct GeoReference {
    GeoTransform transform{};
    std::string wkt;  // the coordinate system (WKT or as a .prj file gives it); may be empty
    bool operator==(const GeoReference&) const = default;
};

// Raised for a world file, .prj file or georeferencing chunk that cannot be read.
class GeoReferenceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A coordinate in the shortest form that reads back to the same double.
std::string GeoNumberText(double value);
// The transform's six numbers separated by ", ".
std::string GeoTransformText(const GeoTransform& transform);
// The coordinate system's name: the first quoted text of its WKT
// (PROJCS["WGS 84 / UTM zone 33N", ...), or "" when there is none.
std::string CoordinateSystemName(const std::string& wkt);

// The world file's six numbers (pixel x size, row rotation, column rotation,
// pixel y size, then x and y of the centre of the top left pixel), one per
// line, each written in the shortest form that reads back to the same double.
std::string WorldFileText(const GeoTransform& transform);
// Reads that text back; throws GeoReferenceError naming the line at fault
// (anything but six finite numbers, one per line).
GeoTransform ParseWorldFile(const std::string& text);

// The world file names GDAL looks for beside picturePath, in its order: the
// extension's first and last letter and 'w' (map.jpg: map.jgw), the
// extension and 'w' (map.jpgw), then .wld; each lower, then upper case.
std::vector<std::string> WorldFileCandidates(const std::string& picturePath);
// The name written: the first of the candidates.
std::string WorldFilePath(const std::string& picturePath);
// picturePath with its extension replaced by .prj.
std::string PrjPath(const std::string& picturePath);

// The georeferencing beside picturePath: its world file and, when there is
// one, its .prj file. Null when there is no world file. Throws
// GeoReferenceError for a file that is there but cannot be read.
std::optional<GeoReference> ReadSidecarGeoReference(const std::string& picturePath);
// Writes the world file, and the .prj file when geo has a coordinate system,
// beside picturePath (each replaced safely). Throws FileError.
void WriteSidecarGeoReference(const std::string& picturePath, const GeoReference& geo);
