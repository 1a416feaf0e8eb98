#pragma once

#include <QColor>
#include <QComboBox>

namespace kaldoria::controls {

// A flat combo box: a plain field in the palette's base colour with the current text in
// the text colour, a small arrow, and a one-pixel border in its own border face colour.
class TElComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TElComboBox(QWidget* parent = nullptr);

    QColor borderColorFace() const { return FBorderColorFace; }
    void setBorderColorFace(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FBorderColorFace{Qt::gray};
};

} // namespace kaldoria::controls
