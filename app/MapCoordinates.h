// The status bar's map coordinates: where the pixel under the cursor lies on
// the map, for a picture with georeferencing.
#pragma once

#include "doc/GeoReference.h"

#include <QString>

#include <optional>

// "x, y" of the centre of picture pixel (x, y), with as many decimals as
// tell one pixel from the next; empty without georeferencing.
QString MapCoordinateText(const std::optional<GeoReference>& geo, int x, int y);
