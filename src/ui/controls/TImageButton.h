#pragma once

#include <QImage>
#include <QWidget>

namespace kaldoria::controls {

// A button drawn from skin images: normal, hover, pressed, released and disabled. It
// shows one current image at a time, sizes itself to the image it shows, and reports a
// left click as press, click, release. An empty image (width 0) is skipped wherever it
// would be shown.
class TImageButton : public QWidget {
    Q_OBJECT
public:
    explicit TImageButton(QWidget* parent = nullptr);

    const QImage& bitmap() const { return Bmp; }
    const QImage& bitmapOver() const { return MOver; }
    const QImage& bitmapDown() const { return MDown; }
    const QImage& bitmapUp() const { return MUp; }
    const QImage& bitmapDisabled() const { return BmpDAble; }
    // The normal image also becomes the current image; the button takes its size.
    void setBitmap(const QImage& image);
    // These change what later events show; the size stays until one is shown.
    void setBitmapOver(const QImage& image);
    void setBitmapDown(const QImage& image);
    void setBitmapUp(const QImage& image);
    void setBitmapDisabled(const QImage& image);
    // Stores the five images without painting, for callers that call RePaint afterwards.
    void storeImages(const QImage& normal, const QImage& over, const QImage& disabled, const QImage& down,
                     const QImage& up);

    // Shows the normal image at its size when there is one; otherwise does nothing.
    void RePaint();

    // The image that painting draws while the button is enabled.
    const QImage& currentImage() const { return ActualBmp; }

Q_SIGNALS:
    void OnClick(kaldoria::controls::TImageButton* sender);
    void OnMouseDown(kaldoria::controls::TImageButton* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                     int x, int y);
    void OnMouseUp(kaldoria::controls::TImageButton* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                   int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Makes `image` the current one, sizes the button to it and paints, when it is not empty.
    void showImage(const QImage& image);
    // Paints at once; a disabled button with a disabled image takes that image's size first.
    void paintNow();
    void click();
    bool isUnderCursor(QPoint local) const;

    QImage MOver;
    QImage MDown;
    QImage MUp;
    QImage Bmp;
    QImage ActualBmp;
    QImage BmpDAble;
    bool clickArmed = false;
    // A modal window opened over this one took the pointer away; no leave event follows.
    bool pointerLost = false;
};

} // namespace kaldoria::controls
