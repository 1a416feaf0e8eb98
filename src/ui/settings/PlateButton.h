#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>

namespace kaldoria::settings {

// A push button drawn with the plates of one of the skin's image buttons, so that it looks
// like the main window's buttons whatever its own size: each state's image is stretched by
// its two ends and the column just inside the left end (the part of a plate that carries no
// caption), and the button's own caption is drawn on top. Without plates it is a plain
// push button.
class PlateButton : public QPushButton {
    Q_OBJECT
public:
    struct Plates {
        QImage normal;
        QImage hover;
        QImage pressed;
        QImage disabled;
    };

    using QPushButton::QPushButton;

    // Normal and hover, pressed and disabled images, and the caption's colour. An empty
    // state image falls back to the normal one.
    void setPlates(Plates plates, const QColor& caption);
    bool hasPlates() const { return !m_plates.normal.isNull(); }

    // `plate` brought to `size`: scaled to the height, then its ends kept and its middle
    // stretched from one column. A plate too short for two ends is only scaled.
    static QImage stretchPlate(const QImage& plate, QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage& plateForState() const;

    Plates m_plates;
    QColor m_caption;
};

} // namespace kaldoria::settings
