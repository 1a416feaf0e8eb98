#pragma once

#include "skin/SkinReadResult.h"

#include <QIODevice>
#include <QStringList>

namespace kaldoria::skin {

// The main window's language-folder box: its layout parameters.
class TkucLangFolder {
public:
    struct Data {
        qint32 left = 0;
        qint32 top = 0;
        qint32 width = 0;
        qint32 height = 0;
        quint32 FColor = 0;
        quint32 BColor = 0;
        qint32 FSize = 0;
    };

    Data data;
    QStringList parameters;

    // Reads one payload: the parameters.
    SkinReadResult LoadFromStream2(QIODevice& stream);
};

} // namespace kaldoria::skin
