#include "platform/TextCodec.h"
#include "ui/skinapply/WindowApply.h"
#include "ui/skinapply/WindowOutline.h"

#include "SkinModeGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::skin;
using namespace kaldoria::controls;

// The demo skin made by kaldoria-pack, applied to stand-ins of both windows. The pictures
// are saved beside the build as demo-skin-main.png and demo-skin-settings.png, cut to their
// outlines, for a person to look at.
namespace {

QString buildDir() {
    const QString dir = qEnvironmentVariable("KALDORIA_BUILD_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() + u"/.."_qs : dir;
}

class SkinFolder {
public:
    explicit SkinFolder(QString root) : root_(std::move(root)) {}
    QStringList lines(const QString& element, const char* file = "parameters.txt") const {
        QFile f(path(element, file));
        return f.open(QIODevice::ReadOnly) ? kaldoria::platform::TextCodec::decodeLines(f.readAll()) : QStringList();
    }
    QImage image(const QString& element, const char* file) const { return QImage(path(element, file), "BMP"); }
    QByteArray bytes(const QString& element, const char* file) const {
        QFile f(path(element, file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QString path(const QString& element, const char* file) const {
        return root_ + u'/' + element + u'/' + QLatin1String(file);
    }
    QString root_;
};

void loadButton(const SkinFolder& f, const QString& name, TkucButton& b) {
    b.parameters = f.lines(name);
    b.common = f.image(name, "common.bmp");
    b.over = f.image(name, "over.bmp");
    b.disabled = f.image(name, "disabled.bmp");
    b.down = f.image(name, "down.bmp");
    b.up = f.image(name, "up.bmp");
}

void loadGauge(const SkinFolder& f, const QString& name, TkucGauge& g) {
    g.parameters = f.lines(name);
    g.FTex = f.image(name, "FTex.bmp");
    g.BTex = f.image(name, "BTex.bmp");
}

// What the window shows: its picture, cut to its outline.
QImage shownPixels(QWidget& window) {
    QImage shown(window.size(), QImage::Format_ARGB32);
    shown.fill(Qt::transparent);
    QPainter p(&shown);
    if (!window.mask().isEmpty())
        p.setClipRegion(window.mask());
    p.drawPixmap(0, 0, window.grab());
    return shown;
}

class DemoSkinPreview : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        QProcess pack;
        pack.start(buildDir() + u"/kaldoria-pack"_qs, {u"demo-skin"_qs, u"-o"_qs, temp.path()});
        ASSERT_TRUE(pack.waitForFinished(60000));
        ASSERT_EQ(pack.exitCode(), 0) << pack.readAllStandardError().toStdString();
    }
    QTemporaryDir temp;
    SkinModeGuard mode{2};
};

} // namespace

TEST_F(DemoSkinPreview, MainWindow) {
    const SkinFolder f(temp.path() + u"/MainWindow"_qs);
    TkucMainWindow skin;
    skin.BackGroundImage.image = f.image(u"BackGroundImage"_qs, "image.bmp");
    skin.BackGroundImage.region = f.bytes(u"BackGroundImage"_qs, "region.rgn");
    loadButton(f, u"Button_StartGame"_qs, skin.Button_StartGame);
    loadButton(f, u"Button_Cancel"_qs, skin.Button_Cancel);
    loadButton(f, u"Button_CheckAllFiles"_qs, skin.Button_CheckAllFiles);
    loadButton(f, u"Button_Close"_qs, skin.Button_Close);
    loadButton(f, u"Button_Minimize"_qs, skin.Button_Minimize);
    loadButton(f, u"Button_Config"_qs, skin.Button_Config);
    skin.Progress_OneFile.parameters = f.lines(u"Progress_OneFile"_qs);
    skin.Progress_Total.parameters = f.lines(u"Progress_Total"_qs);
    skin.Text_Title.parameters = f.lines(u"Text_Title"_qs);
    skin.Text_Status.parameters = f.lines(u"Text_Status"_qs);
    skin.Text_StatusTotal.parameters = f.lines(u"Text_StatusTotal"_qs);
    skin.Box_LangFolder.parameters = f.lines(u"Box_LangFolder"_qs);
    skin.Text_LangBoxDescription.parameters = f.lines(u"Text_LangBoxDescription"_qs);
    loadGauge(f, u"Gauge_OneFile"_qs, skin.Gauge_OneFile);
    loadGauge(f, u"Gauge_Total"_qs, skin.Gauge_Total);
    skin.WebPanel.parameters = f.lines(u"WebPanel"_qs);
    ASSERT_EQ(skin.BackGroundImage.image.size(), QSize(800, 560));

    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(skin.BackGroundImage.image.size());
    QLabel background(&window);
    TImageButton start(&window), cancel(&window), checkAll(&window), close(&window), minimize(&window), config(&window);
    TXiProgressBar oneFile(&window), total(&window);
    QLabel title(u"Kaldoria \u2014 game launcher"_qs, &window);
    TRxLabel status(&window), statusTotal(&window), description(&window);
    QWidget web(&window);
    TXiGauge gaugeOne(&window), gaugeTotal(&window);
    TElComboBox box(&window);
    status.setText(u"Downloading \\data\\maps\\northreach.pak  (12.4 of 31.0 MB)"_qs);
    statusTotal.setText(u"Updating the client: file 3 of 17"_qs);
    description.setText(u"Client language"_qs);
    box.addItems({u"English"_qs, u"Deutsch"_qs});
    SetDataToForm(skin, {&background, &start, &cancel, &checkAll, &close, &minimize, &config, &oneFile, &total, &title,
                         &status, &statusTotal, &web, &gaugeOne, &gaugeTotal, &box, &description});
    applyRegionOutline(window, skin.BackGroundImage);
    for (TXiProgressBar* bar : {&oneFile, &total})
        bar->setMax(100);
    oneFile.setPosition(40);
    total.setPosition(18);
    gaugeOne.setPosition(40);
    gaugeTotal.setPosition(18);

    EXPECT_EQ(start.geometry(), QRect(526, 456, 250, 88));
    EXPECT_EQ(close.size(), QSize(30, 30));
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(window.mask().contains(QPoint(100, 5)));
    EXPECT_TRUE(window.mask().contains(QPoint(400, 2))); // the crest
    EXPECT_EQ(window.mask().boundingRect(), QRect(0, 0, 800, 560));

    window.show();
    shownPixels(window).save(buildDir() + u"/demo-skin-main.png"_qs);
    // The pressed and hover images, for a look at them too.
    QImage states(250 * 5, 88, QImage::Format_RGB32);
    QPainter p(&states);
    int x = 0;
    for (const QImage* img : {&skin.Button_StartGame.common, &skin.Button_StartGame.over, &skin.Button_StartGame.down,
                              &skin.Button_StartGame.up, &skin.Button_StartGame.disabled}) {
        p.drawImage(x, 0, *img);
        x += 250;
    }
    p.end();
    states.save(buildDir() + u"/demo-skin-play-states.png"_qs);
}

TEST_F(DemoSkinPreview, SettingsWindow) {
    const SkinFolder f(temp.path() + u"/ConfigWindow"_qs);
    TkucConfigWindow skin;
    skin.BackGroundImage.image = f.image(u"BackGroundImage"_qs, "image.bmp");
    TkucLabel* labels[] = {&skin.Text_Title, &skin.Text_Language,  &skin.Text_Autoclose,
                           &skin.Text_Proxy, &skin.Text_DriveType, &skin.Text_CheckType};
    const QString labelNames[] = {u"Text_Title"_qs, u"Text_Language"_qs,  u"Text_Autoclose"_qs,
                                  u"Text_Proxy"_qs, u"Text_DriveType"_qs, u"Text_CheckType"_qs};
    for (int i = 0; i < 6; ++i)
        labels[i]->parameters = f.lines(labelNames[i]);
    TkucWebPanel* fields[] = {&skin.Box_Language,  &skin.Check_Autoclose, &skin.Box_Proxy,
                              &skin.Box_DriveType, &skin.Box_CheckType,   &skin.Button_Ok};
    const QString fieldNames[] = {u"Box_Language"_qs,  u"Check_Autoclose"_qs, u"Box_Proxy"_qs,
                                  u"Box_DriveType"_qs, u"Box_CheckType"_qs,   u"Button_Ok"_qs};
    for (int i = 0; i < 6; ++i)
        fields[i]->parameters = f.lines(fieldNames[i]);

    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(520, 100);
    QLabel background(&window);
    QLabel title(u"Settings"_qs, &window), language(u"Interface language"_qs, &window),
        autoclose(u"Close after the game starts"_qs, &window), proxy(u"Game server"_qs, &window),
        drive(u"Disk type"_qs, &window), check(u"Check files by"_qs, &window);
    QComboBox languageBox(&window), proxyBox(&window), driveBox(&window), checkBox(&window);
    languageBox.addItem(u"English"_qs);
    proxyBox.addItem(u"Fastest server"_qs);
    driveBox.addItem(u"Solid-state disk"_qs);
    checkBox.addItem(u"Size and date"_qs);
    QCheckBox autocloseBox(&window);
    QPushButton ok(u"OK"_qs, &window);
    QLabel rate(u"Download limit"_qs, &window);
    QSpinBox rateBox(&window);
    applyColorKeyOutline(window, skin.BackGroundImage.image);
    SetDataToForm(skin, {&background, &title, &language, &autoclose, &proxy, &drive, &check, &languageBox,
                         &autocloseBox, &proxyBox, &driveBox, &checkBox, &ok, &rate, &rateBox});

    EXPECT_EQ(window.size(), QSize(520, 406));
    // The demo skin leaves room for the launcher's own row below its five.
    EXPECT_FALSE(rateBox.isHidden());
    EXPECT_EQ(rateBox.y() - checkBox.y(), checkBox.y() - driveBox.y());
    const QRegion outline = window.mask();
    EXPECT_FALSE(outline.contains(QPoint(0, 0)));
    EXPECT_FALSE(outline.contains(QPoint(8, 8)));
    EXPECT_TRUE(outline.contains(QPoint(260, 180)));
    EXPECT_EQ(outline.boundingRect(), QRect(6, 6, 508, 394));

    window.show();
    shownPixels(window).save(buildDir() + u"/demo-skin-settings.png"_qs);
}
