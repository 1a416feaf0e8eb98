#include "SkinFolderWriter.h"

#include "SkinParameterCheck.h"

#include "skin/SkinBitmap.h"
#include "skin/TkucConfigWindow.h"
#include "skin/TkucMainWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <vector>

namespace kaldoria::pack {

namespace {

// The files of one element class, in the order of its payload items.
const QStringList kBackGroundFiles = {u"image.bmp"_qs, u"region.rgn"_qs};
const QStringList kButtonFiles = {u"parameters.txt"_qs, u"btn_script.txt"_qs, u"common.bmp"_qs, u"over.bmp"_qs,
                                  u"disabled.bmp"_qs,   u"down.bmp"_qs,       u"up.bmp"_qs};
const QStringList kGaugeFiles = {u"parameters.txt"_qs, u"FTex.bmp"_qs, u"BTex.bmp"_qs};
const QStringList kParameterFiles = {u"parameters.txt"_qs};

// The parameter names the launcher reads for each kind of element when it applies a skin.
const QStringList kLayoutParameters = {u"Left"_qs, u"Top"_qs, u"Width"_qs, u"Height"_qs, u"Visible"_qs, u"Enabled"_qs};
const QStringList kLabelParameters =
    kLayoutParameters + QStringList{u"Size"_qs, u"Color"_qs, u"Bold"_qs, u"Italic"_qs, u"Underline"_qs};
const QStringList kLangFolderParameters = kLayoutParameters + QStringList{u"FSize"_qs, u"FColor"_qs, u"BColor"_qs};
const QStringList kProgressParameters =
    kLayoutParameters +
    QStringList{u"CForeFace"_qs, u"CForeGrad"_qs, u"CBackFace"_qs, u"CBackGrad"_qs, u"Orientation"_qs};

struct ElementSpec {
    quint8 tag;
    QString name;
    const QStringList* files;
    const QStringList* parameters; // the names its parameters.txt may use; null without one
};

struct WindowSpec {
    QString folder;
    qint32 version;
    std::vector<ElementSpec> elements; // in tag order
};

const WindowSpec kMainWindow = {u"MainWindow"_qs,
                                skin::TkucMainWindow::Version,
                                {
                                    {1, u"BackGroundImage"_qs, &kBackGroundFiles, nullptr},
                                    {2, u"Button_StartGame"_qs, &kButtonFiles, &kLayoutParameters},
                                    {3, u"Button_Cancel"_qs, &kButtonFiles, &kLayoutParameters},
                                    {4, u"Button_CheckAllFiles"_qs, &kButtonFiles, &kLayoutParameters},
                                    {5, u"Button_Close"_qs, &kButtonFiles, &kLayoutParameters},
                                    {6, u"Button_Minimize"_qs, &kButtonFiles, &kLayoutParameters},
                                    {7, u"Button_Config"_qs, &kButtonFiles, &kLayoutParameters},
                                    {8, u"Progress_OneFile"_qs, &kParameterFiles, &kProgressParameters},
                                    {9, u"Progress_Total"_qs, &kParameterFiles, &kProgressParameters},
                                    {10, u"Text_Title"_qs, &kParameterFiles, &kLabelParameters},
                                    {11, u"Text_Status"_qs, &kParameterFiles, &kLabelParameters},
                                    {12, u"WebPanel"_qs, &kParameterFiles, &kLayoutParameters},
                                    {13, u"Gauge_OneFile"_qs, &kGaugeFiles, &kLayoutParameters},
                                    {14, u"Gauge_Total"_qs, &kGaugeFiles, &kLayoutParameters},
                                    {15, u"Box_LangFolder"_qs, &kParameterFiles, &kLangFolderParameters},
                                    {16, u"Text_StatusTotal"_qs, &kParameterFiles, &kLabelParameters},
                                    {17, u"Text_LangBoxDescription"_qs, &kParameterFiles, &kLabelParameters},
                                }};

const WindowSpec kConfigWindow = {u"ConfigWindow"_qs,
                                  skin::TkucConfigWindow::Version,
                                  {
                                      {1, u"BackGroundImage"_qs, &kBackGroundFiles, nullptr},
                                      {2, u"Text_Title"_qs, &kParameterFiles, &kLabelParameters},
                                      {3, u"Text_Language"_qs, &kParameterFiles, &kLabelParameters},
                                      {4, u"Text_Autoclose"_qs, &kParameterFiles, &kLabelParameters},
                                      {5, u"Text_Proxy"_qs, &kParameterFiles, &kLabelParameters},
                                      {6, u"Text_DriveType"_qs, &kParameterFiles, &kLabelParameters},
                                      {7, u"Text_CheckType"_qs, &kParameterFiles, &kLabelParameters},
                                      {8, u"Box_Language"_qs, &kParameterFiles, &kLayoutParameters},
                                      {9, u"Check_Autoclose"_qs, &kParameterFiles, &kLayoutParameters},
                                      {10, u"Box_Proxy"_qs, &kParameterFiles, &kLayoutParameters},
                                      {11, u"Box_DriveType"_qs, &kParameterFiles, &kLayoutParameters},
                                      {12, u"Box_CheckType"_qs, &kParameterFiles, &kLayoutParameters},
                                      {13, u"Button_Ok"_qs, &kParameterFiles, &kLayoutParameters},
                                  }};

void appendInt(QByteArray& out, qint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void appendSized(QByteArray& out, const QByteArray& content) {
    char b[8];
    qToLittleEndian(qint64(content.size()), b);
    out.append(b, 8);
    out.append(content);
}

QStringList entriesOf(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

// The payload of one element folder, with warnings about its parameters.
PackResult writeElement(const QString& path, const ElementSpec& element) {
    for (const QString& entry : entriesOf(path)) {
        if (!element.files->contains(entry))
            return PackResult::failure(
                u"%1: unknown file '%2' (expected: %3)"_qs.arg(path, entry, element.files->join(u", ")));
    }
    QByteArray content;
    QStringList warnings;
    for (const QString& name : *element.files) {
        const QString filePath = QDir(path).filePath(name);
        QByteArray item;
        if (QFileInfo::exists(filePath)) {
            QFile file(filePath);
            if (!file.open(QIODevice::ReadOnly))
                return PackResult::failure(u"%1: %2"_qs.arg(filePath, file.errorString()));
            item = file.readAll();
            if (name.endsWith(u".bmp") && !item.isEmpty() && !skin::decodeBitmap(item))
                return PackResult::failure(u"%1: not a BMP file the launcher can read"_qs.arg(filePath));
            if (name == u"parameters.txt")
                warnings << checkSkinParameters(filePath, item, *element.parameters);
        }
        appendSized(content, item);
    }
    PackResult result;
    result.warnings = warnings;
    result.bytes.append(char(element.tag));
    appendSized(result.bytes, content);
    return result;
}

PackResult writeWindow(const QString& skinDir, const WindowSpec& window) {
    const QString path = QDir(skinDir).filePath(window.folder);
    QStringList known;
    for (const ElementSpec& element : window.elements)
        known.append(element.name);
    for (const QString& entry : entriesOf(path)) {
        if (!known.contains(entry))
            return PackResult::failure(u"%1: unknown element '%2'"_qs.arg(path, entry));
    }
    QByteArray records;
    QStringList warnings;
    qint32 count = 0;
    for (const ElementSpec& element : window.elements) {
        const QString elementPath = QDir(path).filePath(element.name);
        if (!QFileInfo(elementPath).isDir())
            continue;
        const PackResult record = writeElement(elementPath, element);
        if (!record.ok())
            return record;
        records += record.bytes;
        warnings << record.warnings;
        ++count;
    }
    PackResult result;
    result.warnings = warnings;
    appendInt(result.bytes, window.version);
    appendInt(result.bytes, count);
    result.bytes += records;
    return result;
}

} // namespace

PackResult writeSkinBlocks(const QString& skinDir) {
    if (!QFileInfo(skinDir).isDir())
        return PackResult::failure(u"%1: not a folder"_qs.arg(skinDir));
    const QString background = QDir(skinDir).filePath(u"MainWindow/BackGroundImage/image.bmp"_qs);
    if (QFileInfo(background).size() == 0)
        return PackResult::failure(u"%1: missing; the launcher needs the main window's background"_qs.arg(background));
    const PackResult main = writeWindow(skinDir, kMainWindow);
    if (!main.ok())
        return main;
    const PackResult settings = writeWindow(skinDir, kConfigWindow);
    if (!settings.ok())
        return settings;
    return {main.bytes + settings.bytes, {}, main.warnings + settings.warnings};
}

} // namespace kaldoria::pack
