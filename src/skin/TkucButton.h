#pragma once

#include "skin/SkinReadResult.h"

#include <QIODevice>
#include <QImage>
#include <QStringList>

namespace kaldoria::skin {

// A five-image button: normal, hover, disabled, pressed and released images, its layout
// parameters, and a script text that is kept but not interpreted.
class TkucButton {
public:
    qint32 left = 0;
    qint32 top = 0;
    QImage common;
    QImage over;
    QImage disabled;
    QImage down;
    QImage up;
    QStringList parameters;
    QStringList btn_script;

    // Reads one payload: parameters, script, then the five images.
    SkinReadResult LoadFromStream2(QIODevice& stream);
};

} // namespace kaldoria::skin
