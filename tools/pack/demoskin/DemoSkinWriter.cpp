#include "demoskin/DemoSkinWriter.h"

#include "demoskin/DemoLayout.h"
#include "demoskin/DemoTheme.h"
#include "demoskin/MainWindowArt.h"
#include "demoskin/SettingsWindowArt.h"
#include "ui/skinapply/RegionData.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStringList>

namespace kaldoria::pack::demoskin {

namespace {

// A colour as skin parameters write it: "$" and the blue, green and red bytes.
QString colorText(const QColor& c) {
    return QStringLiteral("$%1").arg((c.blue() << 16) | (c.green() << 8) | c.red(), 6, 16, QLatin1Char('0')).toUpper();
}

QStringList layout(const QRect& r, bool enabled = true) {
    return {QStringLiteral("Left=%1").arg(r.left()),
            QStringLiteral("Top=%1").arg(r.top()),
            QStringLiteral("Width=%1").arg(r.width()),
            QStringLiteral("Height=%1").arg(r.height()),
            QStringLiteral("Visible=true"),
            QStringLiteral("Enabled=") + (enabled ? u"true"_qs : u"false"_qs)};
}

QStringList label(const QRect& r, int size, const QColor& color, bool bold) {
    return layout(r) + QStringList{QStringLiteral("Size=%1").arg(size), QStringLiteral("Color=") + colorText(color),
                                   QStringLiteral("Bold=") + (bold ? u"true"_qs : u"false"_qs),
                                   QStringLiteral("Italic=false"), QStringLiteral("Underline=false")};
}

QStringList progress(const QRect& r, const QColor& foreFace, const QColor& foreGrad) {
    return layout(r) + QStringList{QStringLiteral("CForeFace=") + colorText(foreFace),
                                   QStringLiteral("CForeGrad=") + colorText(foreGrad),
                                   QStringLiteral("CBackFace=") + colorText(QColor(4, 6, 14)),
                                   QStringLiteral("CBackGrad=") + colorText(QColor(26, 32, 58)),
                                   QStringLiteral("Orientation=0")};
}

// Writes the files of one element folder, stopping at the first failure.
class FolderWriter {
public:
    explicit FolderWriter(QString root) : root_(std::move(root)) {}

    void text(const QString& element, const QString& file, const QStringList& lines) {
        write(element, file, (lines.join(u"\r\n") + u"\r\n"_qs).toUtf8());
    }
    void image(const QString& element, const QString& file, const QImage& img) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!img.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP")) {
            fail(element + u'/' + file, u"the image could not be encoded"_qs);
            return;
        }
        write(element, file, bytes);
    }
    void bytes(const QString& element, const QString& file, const QByteArray& content) {
        write(element, file, content);
    }
    const std::optional<QString>& error() const { return error_; }

private:
    void write(const QString& element, const QString& file, const QByteArray& content) {
        if (error_)
            return;
        const QString folder = QDir(root_).filePath(element);
        if (!QDir().mkpath(folder)) {
            fail(folder, u"the folder could not be created"_qs);
            return;
        }
        QFile out(QDir(folder).filePath(file));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(content) != content.size()) {
            fail(out.fileName(), out.errorString());
            return;
        }
    }
    void fail(const QString& what, const QString& why) { error_ = what + u": "_qs + why; }

    QString root_;
    std::optional<QString> error_;
};

void writeButton(FolderWriter& out, const QString& name, const QRect& at, const ButtonImages& images,
                 bool enabled = true) {
    out.text(name, u"parameters.txt"_qs, layout(at, enabled));
    out.text(name, u"btn_script.txt"_qs, {u"; Kaldoria demo skin: "_qs + name});
    out.image(name, u"common.bmp"_qs, images.common);
    out.image(name, u"over.bmp"_qs, images.over);
    out.image(name, u"disabled.bmp"_qs, images.disabled);
    out.image(name, u"down.bmp"_qs, images.down);
    out.image(name, u"up.bmp"_qs, images.up);
}

void writeGauge(FolderWriter& out, const QString& name, const QRect& at, const QImage& fore, const QImage& back) {
    out.text(name, u"parameters.txt"_qs, layout(at));
    out.image(name, u"FTex.bmp"_qs, fore);
    out.image(name, u"BTex.bmp"_qs, back);
}

std::optional<QString> writeMainWindow(const QString& dir) {
    using namespace mainlayout;
    using namespace theme;
    const MainWindowArt art = drawMainWindow();
    FolderWriter out(QDir(dir).filePath(u"MainWindow"_qs));
    out.image(u"BackGroundImage"_qs, u"image.bmp"_qs, art.background);
    out.bytes(u"BackGroundImage"_qs, u"region.rgn"_qs, skin::regionToData(art.outline));
    // The game can start only once the update has brought the client up to date.
    writeButton(out, u"Button_StartGame"_qs, kStartGame, art.startGame, false);
    writeButton(out, u"Button_Cancel"_qs, kCancel, art.cancel);
    writeButton(out, u"Button_CheckAllFiles"_qs, kCheckAllFiles, art.checkAllFiles);
    writeButton(out, u"Button_Close"_qs, kClose, art.close);
    writeButton(out, u"Button_Minimize"_qs, kMinimize, art.minimize);
    writeButton(out, u"Button_Config"_qs, kConfig, art.config);
    out.text(u"Progress_OneFile"_qs, u"parameters.txt"_qs,
             progress(kProgressOneFile, QColor(150, 250, 240), QColor(20, 120, 140)));
    out.text(u"Progress_Total"_qs, u"parameters.txt"_qs,
             progress(kProgressTotal, QColor(255, 232, 150), QColor(170, 100, 24)));
    out.text(u"Text_Title"_qs, u"parameters.txt"_qs, label(kTitle, 10, kGoldLight, true));
    out.text(u"Text_Status"_qs, u"parameters.txt"_qs, label(kStatus, 9, kText, false));
    out.text(u"Text_StatusTotal"_qs, u"parameters.txt"_qs, label(kStatusTotal, 9, kText, false));
    out.text(u"Box_LangFolder"_qs, u"parameters.txt"_qs,
             layout(kLangBox) + QStringList{u"FSize=9"_qs, u"FColor="_qs + colorText(kText),
                                            u"BColor="_qs + colorText(QColor(14, 18, 36))});
    out.text(u"Text_LangBoxDescription"_qs, u"parameters.txt"_qs, label(kLangDescription, 9, kTextDim, false));
    writeGauge(out, u"Gauge_OneFile"_qs, kGaugeOneFile, art.gaugeOneFileFore, art.gaugeBack);
    writeGauge(out, u"Gauge_Total"_qs, kGaugeTotal, art.gaugeTotalFore, art.gaugeBack);
    out.text(u"WebPanel"_qs, u"parameters.txt"_qs, layout(kWebPanel));
    return out.error();
}

std::optional<QString> writeConfigWindow(const QString& dir) {
    using namespace settingslayout;
    using namespace theme;
    FolderWriter out(QDir(dir).filePath(u"ConfigWindow"_qs));
    out.image(u"BackGroundImage"_qs, u"image.bmp"_qs, drawSettingsWindow());
    out.text(u"Text_Title"_qs, u"parameters.txt"_qs, label(kTitle, 11, kGoldLight, true));
    const QString labels[] = {u"Text_Language"_qs, u"Text_Autoclose"_qs, u"Text_Proxy"_qs, u"Text_DriveType"_qs,
                              u"Text_CheckType"_qs};
    const QString fields[] = {u"Box_Language"_qs, u"Check_Autoclose"_qs, u"Box_Proxy"_qs, u"Box_DriveType"_qs,
                              u"Box_CheckType"_qs};
    for (int row = 0; row < 5; ++row) {
        out.text(labels[row], u"parameters.txt"_qs, label(labelRow(row), 9, kText, false));
        out.text(fields[row], u"parameters.txt"_qs, layout(fieldRow(row)));
    }
    out.text(u"Button_Ok"_qs, u"parameters.txt"_qs, layout(kOk));
    return out.error();
}

} // namespace

std::optional<QString> writeDemoSkin(const QString& dir) {
    if (auto error = writeMainWindow(dir))
        return error;
    return writeConfigWindow(dir);
}

} // namespace kaldoria::pack::demoskin
