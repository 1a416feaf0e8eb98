#pragma once

#include "ui/controls/ProgressRange.h"
#include "ui/controls/TProgressBarOrientation.h"

#include <QImage>
#include <QWidget>

namespace kaldoria::controls {

// A progress gauge drawn from two skin textures: the background texture everywhere, the
// foreground texture over the filled part, always from the left edge. Value setters paint
// at once. Where the textures do not reach, the parent shows through.
class TXiGauge : public QWidget {
    Q_OBJECT
public:
    explicit TXiGauge(QWidget* parent = nullptr);

    qint32 position() const { return FRange.position(); }
    qint32 min() const { return FRange.min(); }
    qint32 max() const { return FRange.max(); }
    qint32 step() const { return FRange.step(); }
    // The same range rules as the gradient bar: Position not below Min, Min not above
    // Max, Max not below Min.
    void setPosition(qint32 value);
    void setMin(qint32 value);
    void setMax(qint32 value);
    void setStep(qint32 value);
    void StepIt();

    const QImage& textureBack() const { return FBackTexture; }
    const QImage& textureFore() const { return FForeTexture; }
    // Copy the texture and repaint at once.
    void setTextureBack(const QImage& texture);
    void setTextureFore(const QImage& texture);
    // Copy the texture without repainting, for callers that repaint once afterwards.
    void storeTextures(const QImage& back, const QImage& fore);

    // Kept for the skin; the gauge always fills from left to right.
    TProgressBarOrientation orientation() const { return FOrientation; }
    void setOrientation(TProgressBarOrientation orientation);

    // The picture the gauge shows at its current size.
    QImage render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FBackTexture;
    QImage FForeTexture;
    TProgressBarOrientation FOrientation = TProgressBarOrientation::pbHorizontal;
    ProgressRange FRange;
};

} // namespace kaldoria::controls
