#include "skin/TkucConfig.h"

#include "platform/TextCodec.h"

#include <QBuffer>
#include <QFile>

namespace kaldoria::skin {

SkinReadResult TkucConfig::LoadFromFile(const QString& filename) {
    QFile file(filename);
    if (!file.open(QIODevice::ReadOnly))
        return SkinReadResult::FileNotReadable;
    return LoadFromData(file.readAll());
}

SkinReadResult TkucConfig::LoadFromData(const QByteArray& data) {
    QBuffer stream;
    stream.setData(data);
    stream.open(QIODevice::ReadOnly);
    const SkinReadResult result = LoadWindows(stream);
    if (result != SkinReadResult::Ok)
        return result;
    CfgParameters = platform::TextCodec::decodeLines(stream.readAll());
    return SkinReadResult::Ok;
}

SkinReadResult TkucConfig::LoadWindows(QIODevice& stream) {
    const SkinReadResult result = MainWindow.LoadFromStream(stream);
    if (result != SkinReadResult::Ok)
        return result;
    return ConfigWindow.LoadFromStream(stream);
}

} // namespace kaldoria::skin
