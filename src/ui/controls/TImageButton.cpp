#include "ui/controls/TImageButton.h"

#include "ui/controls/ColorValue.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace kaldoria::controls {

TImageButton::TImageButton(QWidget* parent) : QWidget(parent) {
    resize(50, 50);
}

void TImageButton::setBitmap(const QImage& image) {
    Bmp = image;
    ActualBmp = image;
    if (!Bmp.isNull())
        resize(Bmp.size());
    paintNow();
}

void TImageButton::setBitmapOver(const QImage& image) {
    MOver = image;
    paintNow();
}

void TImageButton::setBitmapDown(const QImage& image) {
    MDown = image;
    paintNow();
}

void TImageButton::setBitmapUp(const QImage& image) {
    MUp = image;
    paintNow();
}

void TImageButton::setBitmapDisabled(const QImage& image) {
    BmpDAble = image;
    paintNow();
}

void TImageButton::storeImages(const QImage& normal, const QImage& over, const QImage& disabled, const QImage& down,
                               const QImage& up) {
    Bmp = normal;
    MOver = over;
    BmpDAble = disabled;
    MDown = down;
    MUp = up;
}

void TImageButton::RePaint() {
    showImage(Bmp);
}

void TImageButton::showImage(const QImage& image) {
    if (image.isNull())
        return;
    ActualBmp = image;
    resize(image.size());
    paintNow();
}

void TImageButton::paintNow() {
    if (!isEnabled() && !BmpDAble.isNull())
        resize(BmpDAble.size());
    repaint();
}

void TImageButton::paintEvent(QPaintEvent*) {
    if (ActualBmp.isNull())
        ActualBmp = Bmp;
    QPainter painter(this);
    painter.fillRect(rect(), colorFromValue(kButtonFace, palette()));
    painter.drawImage(0, 0, !isEnabled() && !BmpDAble.isNull() ? BmpDAble : ActualBmp);
}

void TImageButton::enterEvent(QEnterEvent*) {
    pointerLost = false;
    if (isEnabled())
        showImage(MOver);
}

void TImageButton::leaveEvent(QEvent*) {
    if (isEnabled())
        showImage(Bmp);
}

void TImageButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        clickArmed = true;
    pointerLost = false;
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    const QPoint at = event->position().toPoint();
    const QPointer<TImageButton> alive(this);
    Q_EMIT OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
    if (alive)
        showImage(MDown);
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // A left press and release inside the button is a click, delivered before the release.
    const QPoint at = event->position().toPoint();
    const bool clicked = clickArmed && rect().contains(at);
    clickArmed = false;
    // A handler may close the window and delete the button; stop then.
    const QPointer<TImageButton> alive(this);
    if (clicked)
        click();
    if (!alive || !isEnabled())
        return;
    Q_EMIT OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
    if (!alive)
        return;
    // The chosen image also becomes the current one, so a later repaint shows it too.
    const bool over = !pointerLost && isUnderCursor(at);
    if (!MUp.isNull())
        showImage(over ? MUp : Bmp);
    else
        showImage(over && !MOver.isNull() ? MOver : Bmp);
}

void TImageButton::click() {
    paintNow();
    if (isEnabled())
        Q_EMIT OnClick(this);
}

void TImageButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        paintNow();
}

bool TImageButton::event(QEvent* event) {
    // While a modal window (one the click opened, say) blocks this one, the button sees no
    // leave event; it drops its hover image now rather than keep it after the window closes.
    if (event->type() == QEvent::WindowBlocked) {
        pointerLost = true;
        if (isEnabled())
            showImage(Bmp);
    }
    return QWidget::event(event);
}

bool TImageButton::isUnderCursor(QPoint local) const {
    if (!rect().contains(local))
        return false;
    const QWidget* top = window();
    if (top == this)
        return true;
    // Another control lying over this one at that point takes the cursor.
    return top->childAt(mapTo(top, local)) == this;
}

} // namespace kaldoria::controls
