#include "demoskin/MainWindowArt.h"

#include "demoskin/DemoLayout.h"
#include "demoskin/DemoTheme.h"
#include "demoskin/SceneryArt.h"
#include "ui/skinapply/ColorKeyOutline.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kaldoria::pack::demoskin {

using namespace theme;
using namespace mainlayout;

namespace {

// The window's shape: a rounded body with a crest rising above its top edge.
QPainterPath windowShape() {
    QPainterPath body;
    body.addRoundedRect(QRectF(0, kBodyTop, kWindow.width(), kWindow.height() - kBodyTop), 26, 26);
    QPainterPath crest;
    crest.addRoundedRect(QRectF(kCrest), 18, 18);
    return body.united(crest);
}

// The pixels of the shape, drawn without smoothing so that every pixel is in or out.
QRegion outlineOf(const QPainterPath& shape) {
    QImage mask(kWindow, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter p(&mask);
    p.fillPath(shape, Qt::white);
    p.end();
    return skin::colorKeyOutline(mask);
}

void drawLogo(QPainter& p) {
    QFont font = serif(60);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 7);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("KALDORIA"));
    const QRectF box = text.boundingRect();
    text.translate(QPointF(kWindow.width() / 2.0, 112) - box.center());
    // A warm glow, then the gold letters with a dark rim.
    for (int width : {22, 14, 8}) {
        p.setPen(QPen(QColor(255, 190, 90, 14 + (22 - width) * 2), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(text);
    }
    const QRectF bounds = text.boundingRect();
    QLinearGradient gold(bounds.topLeft(), bounds.bottomLeft());
    gold.setColorAt(0, QColor(255, 248, 214));
    gold.setColorAt(0.45, QColor(246, 204, 110));
    gold.setColorAt(0.55, QColor(206, 144, 52));
    gold.setColorAt(1, QColor(140, 86, 26));
    p.setPen(QPen(QColor(52, 30, 8), 1.6));
    p.setBrush(gold);
    p.drawPath(text);

    QFont small = sans(12);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    p.setFont(small);
    p.setPen(QColor(232, 200, 130));
    const QRectF subtitle(0, 150, kWindow.width(), 18);
    p.drawText(subtitle, Qt::AlignCenter, QStringLiteral("GAME  LAUNCHER"));
    drawDivider(p, 196, 282, 159);
    drawDivider(p, 518, 604, 159);
}

void drawFrame(QPainter& p, const QPainterPath& shape) {
    QLinearGradient rim(0, 0, 0, kWindow.height());
    rim.setColorAt(0, kGoldLight);
    rim.setColorAt(0.3, kGold);
    rim.setColorAt(1, kGoldDark);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(rim), 5));
    p.drawPath(shape);
    p.setPen(QPen(QColor(222, 170, 74, 90), 1));
    p.drawRoundedRect(QRectF(7.5, kBodyTop + 7.5, kWindow.width() - 15, kWindow.height() - kBodyTop - 15), 20, 20);
}

void drawCrest(QPainter& p) {
    const QRectF crest(kCrest);
    QLinearGradient stone(crest.topLeft(), crest.bottomLeft());
    stone.setColorAt(0, kStoneLight);
    stone.setColorAt(1, kNightTop);
    p.setPen(Qt::NoPen);
    p.setBrush(stone);
    p.drawRoundedRect(crest, 18, 18);
    drawGem(p, QPointF(crest.center().x(), 30), 15);
    p.setPen(QPen(kGold, 1.2));
    for (int side : {-1, 1}) {
        const qreal x = crest.center().x() + side * 26;
        p.drawLine(QPointF(x, 30), QPointF(x + side * 30, 30));
        p.drawEllipse(QPointF(x + side * 33, 30), 2.5, 2.5);
    }
}

void drawContent(QPainter& p) {
    QLinearGradient lower(0, 196, 0, kWindow.height());
    lower.setColorAt(0, kStoneDark);
    lower.setColorAt(1, QColor(8, 10, 22));
    p.fillRect(QRectF(0, 196, kWindow.width(), kWindow.height() - 196), lower);
    drawStoneGrain(p, QRectF(0, 196, kWindow.width(), kWindow.height() - 196), 7);
    drawDivider(p, 40, kWindow.width() - 40, 197);

    drawPanel(p, QRectF(kNewsFrame), 12);
    p.fillRect(QRectF(kWebPanel), QColor(6, 9, 20));
    // Seen until the news page arrives: a quiet emblem in the middle of the news area, above
    // the launcher's own placeholder text.
    drawGem(p, QRectF(kWebPanel).center() - QPointF(0, 12), 12);

    drawPanel(p, QRectF(kSideFrame), 12);
    drawPanel(p, QRectF(kStatusFrame), 12);
    // Sockets for the two gauges.
    for (const QRect& gauge : {kGaugeOneFile, kGaugeTotal}) {
        p.setPen(QPen(QColor(222, 170, 74, 120), 1));
        p.setBrush(QColor(4, 6, 14));
        p.drawRoundedRect(QRectF(gauge).adjusted(-2.5, -2.5, 2.5, 2.5), 5, 5);
    }
    // Small gems beside the title and the status lines.
    drawGem(p, QPointF(kTitle.left() - 12, kTitle.center().y() + 1), 6);
}

QImage gaugeBack() {
    QImage img(kGaugeOneFile.size(), QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient groove(0, 0, 0, img.height());
    groove.setColorAt(0, QColor(2, 3, 8));
    groove.setColorAt(1, QColor(18, 22, 40));
    p.fillRect(img.rect(), groove);
    p.setPen(QColor(40, 48, 84));
    for (int x = 10; x < img.width(); x += 10)
        p.drawLine(x, 2, x, img.height() - 3);
    return img;
}

QImage gaugeFore(const QColor& dark, const QColor& light) {
    QImage img(kGaugeOneFile.size(), QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient along(0, 0, img.width(), 0);
    along.setColorAt(0, dark);
    along.setColorAt(1, light);
    p.fillRect(img.rect(), along);
    QLinearGradient shine(0, 0, 0, img.height());
    shine.setColorAt(0, QColor(255, 255, 255, 150));
    shine.setColorAt(0.4, QColor(255, 255, 255, 20));
    shine.setColorAt(1, QColor(0, 0, 0, 60));
    p.fillRect(img.rect(), shine);
    p.setPen(QColor(255, 255, 255, 110));
    for (int x = 10; x < img.width(); x += 10)
        p.drawLine(x, 2, x, img.height() - 3);
    return img;
}

QPainterPath minimizeIcon() {
    QPainterPath path;
    path.moveTo(-5, 3);
    path.lineTo(5, 3);
    return path;
}

QPainterPath closeIcon() {
    QPainterPath path;
    path.moveTo(-4.5, -4.5);
    path.lineTo(4.5, 4.5);
    path.moveTo(4.5, -4.5);
    path.lineTo(-4.5, 4.5);
    return path;
}

} // namespace

MainWindowArt drawMainWindow() {
    const QPainterPath shape = windowShape();
    MainWindowArt art;
    art.outline = outlineOf(shape);

    QImage bg(kWindow, QImage::Format_RGB32);
    bg.fill(Qt::black); // outside the outline: never shown
    QPainter p(&bg);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(shape);
    drawNightSky(p, QRectF(0, 0, kWindow.width(), 200), 220, 2024, QRectF(kTitle));
    drawMoon(p, QPointF(652, 82), 24);
    drawMountains(p, QRectF(0, 96, kWindow.width(), 104));
    drawLogo(p);
    drawContent(p);
    drawCrest(p);
    drawFrame(p, shape);
    p.end();
    art.background = bg;

    auto piece = [&](const QRect& r) { return bg.copy(r); };
    const ButtonStyle stone{ButtonStyle::Plate::Stone, {}};
    auto withCaption = [&](const QString& caption) {
        ButtonStyle style = stone;
        style.face = captionFace(caption, 13, false);
        return style;
    };
    art.checkAllFiles = drawButton(piece(kCheckAllFiles), withCaption(QStringLiteral("CHECK FILES")));
    art.config = drawButton(piece(kConfig), withCaption(QStringLiteral("SETTINGS")));
    art.cancel = drawButton(piece(kCancel), withCaption(QStringLiteral("CANCEL")));
    art.startGame = drawButton(piece(kStartGame),
                               ButtonStyle{ButtonStyle::Plate::Gold, captionFace(QStringLiteral("PLAY"), 34, true)});
    art.minimize = drawButton(piece(kMinimize), ButtonStyle{ButtonStyle::Plate::Round, iconFace(minimizeIcon())});
    art.close = drawButton(piece(kClose), ButtonStyle{ButtonStyle::Plate::Round, iconFace(closeIcon())});

    art.gaugeBack = gaugeBack();
    art.gaugeOneFileFore = gaugeFore(QColor(18, 110, 130), QColor(120, 250, 235));
    art.gaugeTotalFore = gaugeFore(QColor(150, 92, 24), QColor(255, 226, 140));
    return art;
}

} // namespace kaldoria::pack::demoskin
