#pragma once

#include "skin/TkucBackGround.h"

#include <QByteArray>
#include <QRegion>

#include <optional>

namespace kaldoria::skin {

// A window outline from region data as the skin stores it: a 32-byte header (header size
// 32, type 1 for rectangles, rectangle count, size of the rectangle part, bounding box)
// followed by the rectangles, each left, top, right, bottom as signed 32-bit little-endian
// integers, right and bottom exclusive. The outline is the union of the rectangles, each
// cut to the coordinates a window can have (plus or minus QWIDGETSIZE_MAX).
//
// No region (std::nullopt) when the data is empty or malformed, and also when it holds no
// pixel at all: such a window stays a plain rectangle instead of vanishing.
std::optional<QRegion> regionFromData(const QByteArray& data);

// The region data of an outline, one rectangle per band of the region, as a skin tool
// writes it.
QByteArray regionToData(const QRegion& region);

// The main window's outline from its background element.
inline std::optional<QRegion> GetRegion(const TkucBackGround& background) {
    return regionFromData(background.region);
}

} // namespace kaldoria::skin
