#pragma once

#include "skin/SkinReadResult.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>

namespace kaldoria::skin {

// A window's background: its image and its outline as raw region data.
class TkucBackGround {
public:
    QImage image;
    QByteArray region;

    // Reads one payload: the bitmap file into `image`, then the region data into `region`.
    SkinReadResult LoadFromStream2(QIODevice& stream);
};

} // namespace kaldoria::skin
