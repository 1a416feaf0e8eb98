#pragma once

#include "skin/SkinReadResult.h"

#include <QIODevice>
#include <QStringList>

namespace kaldoria::skin {

// A gradient progress bar: its layout parameters.
class TkucProgress {
public:
    struct Data {
        qint32 left = 0;
        qint32 top = 0;
        qint32 width = 0;
        qint32 height = 0;
        qint32 CForeFace = 0;
        qint32 CForeGrad = 0;
        qint32 CBackFace = 0;
        qint32 CBackGrad = 0;
        qint32 CBorder = 0;
        qint32 Style = 0;
    };

    Data data;
    QStringList parameters;

    // Reads one payload: the parameters.
    SkinReadResult LoadFromStream2(QIODevice& stream);
};

} // namespace kaldoria::skin
