#pragma once

#include <QImage>
#include <QPainterPath>

#include <functional>

namespace kaldoria::pack::demoskin {

// The five images of one skin button, drawn over the piece of background the button
// covers so that its rounded corners blend in.
struct ButtonImages {
    QImage common;
    QImage over;
    QImage disabled;
    QImage down;
    QImage up;
};

// How a button looks: a plate shape and what is drawn on it.
struct ButtonStyle {
    enum class Plate { Stone, Gold, Round };
    Plate plate = Plate::Stone;
    // Draws the caption or icon into the plate rectangle in the given colour.
    std::function<void(QPainter&, const QRectF&, const QColor&)> face;
};

ButtonImages drawButton(const QImage& backgroundPiece, const ButtonStyle& style);

// Faces for the common cases.
std::function<void(QPainter&, const QRectF&, const QColor&)> captionFace(const QString& caption, int pixelSize,
                                                                         bool serif);
std::function<void(QPainter&, const QRectF&, const QColor&)> iconFace(const QPainterPath& icon);

} // namespace kaldoria::pack::demoskin
