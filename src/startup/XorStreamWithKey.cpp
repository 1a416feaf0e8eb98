#include "startup/XorStreamWithKey.h"

namespace kaldoria::startup {

namespace {
constexpr qsizetype kMaxKeyLength = 200;
}

bool XorStreamWithKey(QIODevice& stream, const QByteArray& key) {
    if (key.isEmpty() || key.size() > kMaxKeyLength || !stream.seek(0))
        return false;
    const qint64 size = stream.size();
    // Whole key lengths per block, so the key restarts at every block start.
    const qint64 blockSize = key.size() * ((1 << 20) / key.size());
    QByteArray block;
    while (stream.pos() < size) {
        const qint64 start = stream.pos();
        block = stream.read(qMin(blockSize, size - start));
        if (block.isEmpty())
            return false;
        char* p = block.data();
        for (qsizetype i = 0; i < block.size(); ++i)
            p[i] = char(p[i] ^ key.at(i % key.size()));
        if (!stream.seek(start) || stream.write(block) != block.size())
            return false;
    }
    return true;
}

} // namespace kaldoria::startup
