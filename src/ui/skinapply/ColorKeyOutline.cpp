#include "ui/skinapply/ColorKeyOutline.h"

#include <vector>

namespace kaldoria::skin {

namespace {

struct Run {
    int left;
    int width;
    bool operator==(const Run&) const = default;
};

// The runs of pixels in `line` whose colour differs from `key`.
void runsOfRow(const QRgb* line, int width, QRgb key, std::vector<Run>& runs) {
    runs.clear();
    int x = 0;
    while (x < width) {
        while (x < width && (line[x] & 0xFFFFFF) == key)
            ++x;
        const int start = x;
        while (x < width && (line[x] & 0xFFFFFF) != key)
            ++x;
        if (x > start)
            runs.push_back({start, x - start});
    }
}

} // namespace

QRegion colorKeyOutline(const QImage& background) {
    if (background.isNull())
        return QRegion();
    const QImage img = background.format() == QImage::Format_RGB32 || background.format() == QImage::Format_ARGB32
                           ? background
                           : background.convertToFormat(QImage::Format_RGB32);
    const QRgb key = img.pixel(0, 0) & 0xFFFFFF;

    // Rectangles in the y-x banded order QRegion keeps: bands top to bottom, each band's
    // rectangles left to right, all of one band the same height.
    std::vector<QRect> rects;
    std::vector<Run> band;
    std::vector<Run> row;
    int bandTop = 0;
    auto closeBand = [&](int bottom) {
        for (const Run& r : band)
            rects.emplace_back(r.left, bandTop, r.width, bottom - bandTop);
    };
    for (int y = 0; y < img.height(); ++y) {
        runsOfRow(reinterpret_cast<const QRgb*>(img.constScanLine(y)), img.width(), key, row);
        if (y > 0 && row == band)
            continue;
        closeBand(y);
        band.swap(row);
        bandTop = y;
    }
    closeBand(img.height());

    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

} // namespace kaldoria::skin
