#include "ui/controls/TImageButton.h"

#include "ui/controls/ColorValue.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace kaldoria::controls;

namespace {

QImage solid(int w, int h, QRgb color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

constexpr QRgb kNormal = 0xFF102030;
constexpr QRgb kOver = 0xFF405060;
constexpr QRgb kDown = 0xFF708090;
constexpr QRgb kUp = 0xFFA0B0C0;
constexpr QRgb kDisabled = 0xFF808080;

// A window with one button at (20, 20); the button's signals are written down in order.
class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(400, 300);
        button = new TImageButton(&window);
        button->move(20, 20);
        QObject::connect(button, &TImageButton::OnMouseDown,
                         [this](TImageButton* s, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
                             events << QStringLiteral("down %1,%2").arg(x).arg(y);
                             EXPECT_EQ(s, button);
                         });
        QObject::connect(button, &TImageButton::OnClick, [this](TImageButton* s) {
            events << QStringLiteral("click");
            EXPECT_EQ(s, button);
        });
        QObject::connect(button, &TImageButton::OnMouseUp,
                         [this](TImageButton*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
                             events << QStringLiteral("up %1,%2").arg(x).arg(y);
                         });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void setAllImages() {
        button->setBitmap(solid(80, 24, kNormal));
        button->setBitmapOver(solid(90, 30, kOver));
        button->setBitmapDown(solid(84, 26, kDown));
        button->setBitmapUp(solid(86, 28, kUp));
    }

    // The colour the button shows at its top-left corner.
    QRgb shown() { return button->grab().toImage().pixel(0, 0); }

    void enter() {
        QEnterEvent e(QPointF(2, 2), QPointF(22, 22), button->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(button, &e);
    }
    void leave() {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(button, &e);
    }

    QWidget window;
    TImageButton* button = nullptr;
    QStringList events;
};

} // namespace

TEST_F(ImageButtonTest, NewButtonIsAButtonFaceSquare) {
    EXPECT_EQ(button->size(), QSize(50, 50));
    const QImage img = button->grab().toImage();
    const QRgb face = colorFromValue(kButtonFace, button->palette()).rgb();
    EXPECT_EQ(img.pixel(0, 0), face);
    EXPECT_EQ(img.pixel(49, 49), face);
}

TEST_F(ImageButtonTest, SizesToTheImageItShows) {
    button->setBitmap(solid(80, 24, kNormal));
    EXPECT_EQ(button->size(), QSize(80, 24));
    EXPECT_EQ(shown(), kNormal);
    button->setBitmapOver(solid(90, 30, kOver));
    EXPECT_EQ(button->size(), QSize(80, 24));
    enter();
    EXPECT_EQ(button->size(), QSize(90, 30));
    EXPECT_EQ(shown(), kOver);
    leave();
    EXPECT_EQ(button->size(), QSize(80, 24));
    EXPECT_EQ(shown(), kNormal);
}

TEST_F(ImageButtonTest, EmptyImagesChangeNothing) {
    button->RePaint(); // no normal image: nothing happens
    EXPECT_EQ(button->size(), QSize(50, 50));
    button->setBitmap(solid(80, 24, kNormal));
    enter(); // no hover image
    EXPECT_EQ(button->size(), QSize(80, 24));
    EXPECT_EQ(shown(), kNormal);
    button->setBitmapOver(solid(90, 30, kOver));
    enter();
    button->RePaint();
    EXPECT_EQ(button->size(), QSize(80, 24));
    EXPECT_EQ(shown(), kNormal);
}

TEST_F(ImageButtonTest, ClickOverTheButtonRaisesDownClickUpAndShowsTheReleasedImage) {
    setAllImages();
    enter();
    EXPECT_EQ(shown(), kOver);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(shown(), kDown);
    EXPECT_EQ(button->size(), QSize(84, 26));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(7, 8));
    EXPECT_EQ(events, (QStringList{u"down 5,6"_qs, u"click"_qs, u"up 7,8"_qs}));
    EXPECT_EQ(shown(), kUp);
    EXPECT_EQ(button->size(), QSize(86, 28));
}

TEST_F(ImageButtonTest, ReleaseOffTheButtonIsNoClickAndShowsTheNormalImage) {
    setAllImages();
    enter();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_EQ(events, (QStringList{u"down 5,5"_qs, u"up 200,5"_qs}));
    EXPECT_EQ(shown(), kNormal);
    EXPECT_EQ(button->size(), QSize(80, 24));
}

TEST_F(ImageButtonTest, WithoutAReleasedImageTheReleaseShowsHoverOrNormal) {
    struct Case {
        bool withHover;
        QPoint releaseAt;
        QRgb expected;
    } cases[] = {
        {true, QPoint(3, 3), kOver},
        {true, QPoint(300, 3), kNormal},
        {false, QPoint(3, 3), kNormal},
        {false, QPoint(300, 3), kNormal},
    };
    for (const Case& c : cases) {
        button->setBitmap(solid(80, 24, kNormal));
        button->setBitmapOver(c.withHover ? solid(90, 30, kOver) : QImage());
        button->setBitmapDown(solid(84, 26, kDown));
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(button, Qt::LeftButton, {}, c.releaseAt);
        EXPECT_EQ(shown(), c.expected) << c.withHover << " " << c.releaseAt.x();
    }
}

TEST_F(ImageButtonTest, ReleaseOverACoveringControlCountsAsOff) {
    setAllImages();
    QWidget cover(&window);
    cover.setGeometry(60, 20, 100, 100); // covers the button's right part
    cover.show();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(50, 3));
    EXPECT_EQ(shown(), kNormal);
}

TEST_F(ImageButtonTest, RightButtonIsIgnored) {
    setAllImages();
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(shown(), kNormal);
}

TEST_F(ImageButtonTest, DisabledButtonShowsItsDisabledImageAndIgnoresTheMouse) {
    setAllImages();
    button->setEnabled(false);
    EXPECT_EQ(shown(), kNormal); // no disabled image: the current image stays
    button->setBitmapDisabled(solid(70, 20, kDisabled));
    EXPECT_EQ(shown(), kDisabled);
    EXPECT_EQ(button->size(), QSize(70, 20));

    enter();
    leave();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(button->currentImage().pixel(0, 0), kNormal);
    EXPECT_EQ(shown(), kDisabled);

    button->setEnabled(true);
    EXPECT_EQ(shown(), kNormal);
}

TEST_F(ImageButtonTest, RealMouseMovesEnterAndLeaveTheButton) {
    setAllImages();
    QTest::mouseMove(&window, QPoint(200, 200));
    QTest::mouseMove(&window, QPoint(30, 30));
    EXPECT_EQ(shown(), kOver);
    QTest::mouseMove(&window, QPoint(300, 250));
    EXPECT_EQ(shown(), kNormal);
}

TEST_F(ImageButtonTest, ClickHandlerMayDeleteTheButton) {
    setAllImages();
    QObject::connect(button, &TImageButton::OnClick, [this](TImageButton* sender) {
        delete sender;
        button = nullptr;
    });
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(button, nullptr);
    EXPECT_EQ(events, (QStringList{u"down 3,3"_qs, u"click"_qs}));
}
