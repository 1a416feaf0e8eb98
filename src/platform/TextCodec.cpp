#include "platform/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kaldoria::platform {

QString TextCodec::decode(const QByteArray& bytes) {
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom) {
        QStringDecoder decoder(*bom);
        return decoder.decode(bytes); // the decoder skips the byte-order mark
    }
    QStringDecoder decoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray TextCodec::encodeSystem(const QString& text) {
    QStringEncoder encoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QStringList TextCodec::splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray TextCodec::encodeLines(const QStringList& lines) {
    QString joined;
    for (const QString& line : lines) {
        joined += line;
        joined += QStringLiteral("\r\n");
    }
    return encodeSystem(joined);
}

QString TextCodec::trimControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

} // namespace kaldoria::platform
