#pragma once

#include "ui/controls/ColorValue.h"
#include "ui/controls/ProgressRange.h"
#include "ui/controls/TColorScheme.h"
#include "ui/controls/TProgressBarOrientation.h"

#include <QImage>
#include <QWidget>

namespace kaldoria::controls {

// A progress bar drawn as two colour gradients (background and filled part) inside a
// one-pixel outline. Value setters paint at once, so a caller that moves the position in
// a loop without returning to the event loop still sees it move.
class TXiProgressBar : public QWidget {
    Q_OBJECT
public:
    // Indexes of the five colour properties, as their shared setter takes them.
    enum ColorIndex {
        ColorBorderIndex = 0,
        BackFaceIndex = 10,
        BackGradIndex = 11,
        ForeFaceIndex = 20,
        ForeGradIndex = 21
    };

    explicit TXiProgressBar(QWidget* parent = nullptr);

    ColorValue colorBorder() const { return FColorBorder; }
    ColorValue backColorFace() const { return FBackColorFace; }
    ColorValue backColorGrad() const { return FBackColorGrad; }
    ColorValue foreColorFace() const { return FForeColorFace; }
    ColorValue foreColorGrad() const { return FForeColorGrad; }
    void setColorBorder(ColorValue c) { setColor(ColorBorderIndex, c); }
    void setBackColorFace(ColorValue c) { setColor(BackFaceIndex, c); }
    void setBackColorGrad(ColorValue c) { setColor(BackGradIndex, c); }
    void setForeColorFace(ColorValue c) { setColor(ForeFaceIndex, c); }
    void setForeColorGrad(ColorValue c) { setColor(ForeGradIndex, c); }
    // Stores the colour the index names (any other index stores nothing), turns the scheme
    // to csCustom and requests a repaint.
    void setColor(int index, ColorValue c);

    TColorScheme colorScheme() const { return FColorScheme; }
    void setColorScheme(TColorScheme scheme);

    TProgressBarOrientation orientation() const { return FOrientation; }
    void setOrientation(TProgressBarOrientation orientation);

    qint32 position() const { return FRange.position(); }
    qint32 min() const { return FRange.min(); }
    qint32 max() const { return FRange.max(); }
    qint32 step() const { return FRange.step(); }
    // Ignored below Min; there is no upper bound.
    void setPosition(qint32 value);
    // Ignored above Max.
    void setMin(qint32 value);
    // Ignored below Min.
    void setMax(qint32 value);
    void setStep(qint32 value);
    // Adds Step to Position without a range check.
    void StepIt();

    // The picture the bar shows at its current size.
    QImage render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void renderHorizontal(QImage& b) const;
    void renderVertical(QImage& b) const;

    ColorValue FColorBorder = 0;
    ColorValue FBackColorFace = 0;
    ColorValue FBackColorGrad = 0;
    ColorValue FForeColorFace = 0;
    ColorValue FForeColorGrad = 0;
    TProgressBarOrientation FOrientation = TProgressBarOrientation::pbHorizontal;
    TColorScheme FColorScheme = TColorScheme::csCustom;
    ProgressRange FRange;
};

} // namespace kaldoria::controls
