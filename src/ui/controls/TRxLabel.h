#pragma once

#include <QColor>
#include <QLabel>

namespace kaldoria::controls {

// A text label that draws its text twice: first a shadow, offset down and to the right,
// then the text itself in the font colour (the palette's window-text colour).
class TRxLabel : public QLabel {
    Q_OBJECT
public:
    explicit TRxLabel(QWidget* parent = nullptr);

    QColor shadowColor() const { return FShadowColor; }
    void setShadowColor(const QColor& color);
    // Offset of the shadow in pixels; 0 draws no shadow.
    int shadowSize() const { return FShadowSize; }
    void setShadowSize(int size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FShadowColor{0, 0, 0, 160};
    int FShadowSize = 1;
};

} // namespace kaldoria::controls
