#include "chunks/FileChunker.h"

#include "chunks/FastCdc.h"

#include <QFile>

#include <cstring>
#include <vector>

namespace kaldoria::chunks {

QString FileChunker::cut(const QString& path, const Sink& sink) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return cut(file, path, sink);
}

QString FileChunker::cut(QIODevice& device, const QString& name, const Sink& sink) {
    static_assert(kReadSize > qsizetype(FastCdc::kMaxSize));
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kReadSize));
    std::size_t start = 0; // the next chunk's first byte in the buffer
    std::size_t filled = 0;
    bool ended = false;
    qint64 offset = 0;
    for (;;) {
        // A cut needs kMaxSize bytes ahead of it, or everything up to the end.
        if (!ended && filled - start < FastCdc::kMaxSize) {
            std::memmove(buffer.data(), buffer.data() + start, filled - start);
            filled -= start;
            start = 0;
            while (!ended && filled < buffer.size()) {
                const qint64 got =
                    device.read(reinterpret_cast<char*>(buffer.data() + filled), qint64(buffer.size() - filled));
                if (got < 0)
                    return QStringLiteral("cannot read %1: %2").arg(name, device.errorString());
                ended = got == 0;
                filled += std::size_t(got);
            }
        }
        if (start == filled)
            return {};
        const std::size_t length = FastCdc::cut(buffer.data() + start, filled - start);
        const QByteArrayView bytes(reinterpret_cast<const char*>(buffer.data() + start), qsizetype(length));
        if (QString reason = sink(offset, bytes); !reason.isEmpty())
            return reason;
        start += length;
        offset += qint64(length);
    }
}

} // namespace kaldoria::chunks
