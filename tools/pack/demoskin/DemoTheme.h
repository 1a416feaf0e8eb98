#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace kaldoria::pack::demoskin {

// The colours and fonts of the demo skin: a night sky over mountains, dark blue stone
// panels and gold trim.
namespace theme {

inline const QColor kNightTop{12, 14, 34};
inline const QColor kNightHorizon{52, 40, 86};
inline const QColor kStoneLight{38, 46, 78};
inline const QColor kStoneDark{16, 20, 38};
inline const QColor kGoldLight{255, 236, 170};
inline const QColor kGold{222, 170, 74};
inline const QColor kGoldDark{128, 84, 30};
inline const QColor kText{236, 222, 186};
inline const QColor kTextDim{168, 176, 204};
inline const QColor kTeal{70, 220, 210};

inline QFont serif(int pixelSize, bool bold = true) {
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

inline QFont sans(int pixelSize, bool bold = true) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace theme

} // namespace kaldoria::pack::demoskin
