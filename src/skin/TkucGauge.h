#pragma once

#include "skin/SkinReadResult.h"

#include <QIODevice>
#include <QImage>
#include <QStringList>

namespace kaldoria::skin {

// A texture gauge: foreground and background textures and its layout parameters.
class TkucGauge {
public:
    struct Data {
        qint32 left = 0;
        qint32 top = 0;
        qint32 width = 0;
        qint32 height = 0;
    };

    Data data;
    QImage FTex;
    QImage BTex;
    QStringList parameters;

    // Reads one payload: parameters, then the foreground and background textures.
    SkinReadResult LoadFromStream2(QIODevice& stream);
};

} // namespace kaldoria::skin
