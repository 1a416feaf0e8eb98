#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <functional>

namespace kaldoria::chunks {

// Cuts a file into FastCdc chunks as it reads it in large blocks, handing each chunk's
// bytes to a sink in file order. Memory stays at one read block whatever the file's size.
class FileChunker {
public:
    // Receives the chunk of `bytes` that starts at `offset`; gives the reason to stop, or
    // an empty string to go on. The bytes are valid during the call only.
    using Sink = std::function<QString(qint64 offset, QByteArrayView bytes)>;

    static constexpr qsizetype kReadSize = 8 * 1024 * 1024;

    // Cuts the file at `path`. The reason when it cannot be read or the sink stopped.
    static QString cut(const QString& path, const Sink& sink);
    // Cuts what `device` gives from its present position to its end; `name` is for reasons.
    static QString cut(QIODevice& device, const QString& name, const Sink& sink);
};

} // namespace kaldoria::chunks
