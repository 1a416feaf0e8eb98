#pragma once

#include "skin/SkinReadResult.h"

#include <QIODevice>
#include <QStringList>

namespace kaldoria::skin {

// A text label: its layout parameters.
class TkucLabel {
public:
    struct Data {
        qint32 left = 0;
        qint32 top = 0;
        qint32 Color = 0;
        qint32 size = 0;
        bool Bold = false;
        bool Italic = false;
        bool Underline = false;
    };

    Data data;
    QStringList parameters;

    // Reads one payload: the parameters.
    SkinReadResult LoadFromStream2(QIODevice& stream);
};

} // namespace kaldoria::skin
