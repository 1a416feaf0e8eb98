#include "demoskin/ButtonArt.h"

#include "demoskin/DemoTheme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace kaldoria::pack::demoskin {

namespace {

enum class State { Normal, Hover, Pressed, Released, Disabled };

struct PlateColors {
    QColor top, bottom, border, face, glow;
};

PlateColors colorsFor(ButtonStyle::Plate plate, State state) {
    using namespace theme;
    const bool gold = plate == ButtonStyle::Plate::Gold;
    switch (state) {
    case State::Normal:
        return gold ? PlateColors{QColor(246, 200, 96), QColor(170, 104, 32), kGoldLight, QColor(48, 26, 6), {}}
                    : PlateColors{kStoneLight, kStoneDark, kGold, kText, {}};
    case State::Hover:
        return gold ? PlateColors{QColor(255, 228, 140), QColor(206, 134, 44), QColor(255, 250, 220), QColor(40, 20, 4),
                                  QColor(255, 210, 110, 150)}
                    : PlateColors{QColor(58, 70, 118), QColor(26, 32, 62), kGoldLight, QColor(255, 246, 220),
                                  QColor(120, 200, 255, 110)};
    case State::Pressed:
        return gold ? PlateColors{QColor(170, 108, 34), QColor(220, 160, 70), kGold, QColor(40, 20, 4), {}}
                    : PlateColors{QColor(14, 18, 34), QColor(34, 42, 72), kGoldDark, kGoldLight, {}};
    case State::Released:
        return gold ? PlateColors{QColor(255, 240, 170), QColor(214, 146, 56), QColor(255, 255, 235), QColor(40, 20, 4),
                                  QColor(255, 230, 150, 170)}
                    : PlateColors{QColor(70, 86, 140), QColor(30, 38, 70), QColor(255, 248, 215), QColor(255, 255, 240),
                                  QColor(140, 220, 255, 130)};
    case State::Disabled:
        return PlateColors{QColor(60, 62, 70), QColor(36, 38, 44), QColor(96, 96, 104), QColor(120, 122, 130), {}};
    }
    return {};
}

QImage drawState(const QImage& piece, const ButtonStyle& style, State state) {
    QImage img = piece.convertToFormat(QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const PlateColors c = colorsFor(style.plate, state);
    const QRectF full(img.rect());
    const bool round = style.plate == ButtonStyle::Plate::Round;
    QRectF plate = full.adjusted(3, 3, -3, -3);
    const qreal radius = round ? plate.height() / 2 : 7;

    if (c.glow.isValid()) {
        for (int i = 3; i >= 1; --i) {
            QColor g = c.glow;
            g.setAlpha(c.glow.alpha() / (i + 1));
            p.setPen(QPen(g, i * 2.0));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(plate, radius, radius);
        }
    } else {
        // A soft shadow under the resting plate.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawRoundedRect(plate.translated(0, 2), radius, radius);
    }

    if (state == State::Pressed)
        plate.translate(0, 1);
    QLinearGradient fill(plate.topLeft(), plate.bottomLeft());
    fill.setColorAt(0, c.top);
    fill.setColorAt(1, c.bottom);
    p.setBrush(fill);
    p.setPen(QPen(c.border, 1.4));
    p.drawRoundedRect(plate, radius, radius);

    // A thin light line along the inner top edge gives the plate some depth.
    if (state != State::Pressed && state != State::Disabled) {
        QColor shine(255, 255, 255, style.plate == ButtonStyle::Plate::Gold ? 110 : 40);
        p.setPen(QPen(shine, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(plate.adjusted(2, 2, -2, -2), radius - 2, radius - 2);
    }

    if (style.face) {
        if (style.plate != ButtonStyle::Plate::Gold && state != State::Disabled) {
            // A dark copy under the caption keeps it readable on every plate.
            style.face(p, plate.translated(0, 1), QColor(0, 0, 0, 150));
        }
        style.face(p, plate, c.face);
    }
    p.end();
    return img;
}

} // namespace

ButtonImages drawButton(const QImage& backgroundPiece, const ButtonStyle& style) {
    return {drawState(backgroundPiece, style, State::Normal), drawState(backgroundPiece, style, State::Hover),
            drawState(backgroundPiece, style, State::Disabled), drawState(backgroundPiece, style, State::Pressed),
            drawState(backgroundPiece, style, State::Released)};
}

std::function<void(QPainter&, const QRectF&, const QColor&)> captionFace(const QString& caption, int pixelSize,
                                                                         bool serif) {
    return [caption, pixelSize, serif](QPainter& p, const QRectF& r, const QColor& color) {
        QFont font = serif ? theme::serif(pixelSize) : theme::sans(pixelSize);
        font.setLetterSpacing(QFont::AbsoluteSpacing, pixelSize / 6.0);
        p.setFont(font);
        p.setPen(color);
        p.drawText(r, Qt::AlignCenter, caption);
    };
}

std::function<void(QPainter&, const QRectF&, const QColor&)> iconFace(const QPainterPath& icon) {
    return [icon](QPainter& p, const QRectF& r, const QColor& color) {
        p.save();
        p.translate(r.center());
        p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(icon);
        p.restore();
    };
}

} // namespace kaldoria::pack::demoskin
