#pragma once

#include "skin/SkinReadResult.h"

#include <QIODevice>
#include <QStringList>

namespace kaldoria::skin {

// A plain positioned control (the news panel, and the settings window's boxes and button):
// its layout parameters.
class TkucWebPanel {
public:
    struct Data {
        qint32 left = 0;
        qint32 top = 0;
        qint32 width = 0;
        qint32 height = 0;
    };

    Data data;
    QStringList parameters;

    // Reads one payload: the parameters.
    SkinReadResult LoadFromStream2(QIODevice& stream);
};

} // namespace kaldoria::skin
