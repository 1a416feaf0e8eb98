#include "ui/skinapply/WindowOutline.h"

#include "ui/skinapply/ColorKeyOutline.h"
#include "ui/skinapply/RegionData.h"

namespace kaldoria::skin {

void setWindowOutline(QWidget& window, const std::optional<QRegion>& outline) {
    if (!outline) {
        window.clearMask();
        return;
    }
    if (outline->isEmpty()) {
        // An empty mask means "no mask" to the toolkit; a pixel outside the window keeps
        // every pixel of it hidden and deaf to the mouse.
        window.setMask(QRegion(-1, -1, 1, 1));
        return;
    }
    window.setMask(*outline);
}

void applyRegionOutline(QWidget& window, const TkucBackGround& background) {
    setWindowOutline(window, GetRegion(background));
}

void applyColorKeyOutline(QWidget& window, const QImage& background) {
    window.resize(window.width(), background.height());
    setWindowOutline(window, colorKeyOutline(background));
}

} // namespace kaldoria::skin
