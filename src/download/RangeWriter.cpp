#include "download/RangeWriter.h"

#include "platform/RandomAccessFile.h"

#include <algorithm>
#include <cerrno>

namespace kaldoria::download {

RangeWriter::RangeWriter(std::shared_ptr<platform::RandomAccessFile> file, qint64 base, qint64 limit)
    : m_file(std::move(file)), m_base(base), m_limit(limit) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 RangeWriter::writeData(const char* data, qint64 size) {
    const qint64 position = pos();
    const qint64 fits = std::clamp<qint64>(m_limit - position, 0, size);
    if (fits > 0) {
        if (!m_file->writeAt(m_base + position, data, fits)) {
            m_writeError = errno;
            return -1;
        }
        m_size = std::max(m_size, position + fits);
    }
    return fits < size ? -1 : size;
}

} // namespace kaldoria::download
