#include "download/FileAssembly.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>

namespace kaldoria::download {

namespace {

// Bytes read back at a time when the digest catches up over a range that finished early.
constexpr qint64 kReadBackBytes = 1024 * 1024;

qint64 freeBytes(const QString& path) {
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    return storage.isValid() ? storage.bytesAvailable() : 0;
}

} // namespace

FileAssembly::FileAssembly(FetchJob job, qint64 rangeBytes) : m_job(std::move(job)), m_rangeBytes(rangeBytes) {
    m_ranges.push_back({.first = 0, .last = rangeBytes - 1});
}

DownloadFailure FileAssembly::open() {
    m_file = platform::RandomAccessFile::create(m_job.path);
    if (!m_file)
        return writeFailure(errno);
    return {};
}

qint64 FileAssembly::received() const {
    qint64 total = 0;
    for (const Range& range : m_ranges)
        total += range.written;
    return total;
}

DownloadFailure FileAssembly::writeFailure(int error) const {
    return DownloadFailure::fromWriteError(error, m_length > 0 ? m_length - received() : 0, freeBytes(m_job.path));
}

DownloadFailure FileAssembly::setLength(qint64 length, qint64 firstRangeLast) {
    m_length = length;
    // Refuse a length that does not fit rather than fill the disk.
    const qint64 available = freeBytes(m_job.path);
    if (available < length)
        return DownloadFailure::fromWriteError(ENOSPC, length, available);
    if (!m_file->reserve(length))
        return writeFailure(errno);
    m_ranges.front().last = firstRangeLast;
    for (qint64 first = firstRangeLast + 1; first < length; first += m_rangeBytes)
        m_ranges.push_back({.first = first, .last = std::min(length, first + m_rangeBytes) - 1});
    return {};
}

void FileAssembly::restartWhole() {
    m_whole = true;
    m_length = -1;
    m_ranges = {Range{.first = 0, .last = -1}};
    m_md5.reset();
    m_digestRange = 0;
    m_digestBytes = 0;
    if (m_file)
        m_file->reserve(0);
}

DownloadFailure FileAssembly::setWholeLength(qint64 length) {
    m_whole = true;
    m_length = length;
    Range& range = m_ranges.front();
    range.last = length >= 0 ? length - 1 : -1;
    m_ranges.resize(1);
    if (length <= 0)
        return {};
    const qint64 available = freeBytes(m_job.path);
    if (available < length)
        return DownloadFailure::fromWriteError(ENOSPC, length, available);
    if (!m_file->reserve(length))
        return writeFailure(errno);
    return {};
}

int FileAssembly::nextIdleRange() const {
    for (size_t i = 0; i < m_ranges.size(); ++i) {
        if (!m_ranges[i].running && !m_ranges[i].done)
            return int(i);
    }
    return -1;
}

DownloadFailure FileAssembly::write(int index, const char* data, qint64 size) {
    Range& range = m_ranges[size_t(index)];
    if (range.bounded() && range.written + size > range.length())
        return DownloadFailure::transfer(QStringLiteral("the answer was longer than the range asked for"));
    if (!m_file->writeAt(range.next(), data, size))
        return writeFailure(errno);
    // Bytes that continue the digested part go into the digest at once.
    if (size_t(index) == m_digestRange && m_digestBytes == range.written) {
        m_md5.addData(QByteArrayView(data, size));
        m_digestBytes += size;
    }
    range.written += size;
    return {};
}

DownloadFailure FileAssembly::complete(int index) {
    m_ranges[size_t(index)].done = true;
    return digestInOrder();
}

DownloadFailure FileAssembly::digestInOrder() {
    QByteArray buffer;
    while (m_digestRange < m_ranges.size()) {
        const Range& range = m_ranges[m_digestRange];
        while (m_digestBytes < range.written) {
            buffer.resize(qsizetype(std::min(kReadBackBytes, range.written - m_digestBytes)));
            const qint64 read = m_file->readAt(range.first + m_digestBytes, buffer.data(), buffer.size());
            if (read <= 0)
                return writeFailure(read < 0 ? errno : EIO);
            m_md5.addData(QByteArrayView(buffer.constData(), read));
            m_digestBytes += read;
        }
        if (!range.done)
            break;
        ++m_digestRange;
        m_digestBytes = 0;
    }
    return {};
}

bool FileAssembly::allDone() const {
    for (const Range& range : m_ranges) {
        if (!range.done)
            return false;
    }
    return true;
}

QByteArray FileAssembly::md5() const {
    return m_md5.result();
}

void FileAssembly::discard() {
    m_file.reset();
    QFile::remove(m_job.path);
}

} // namespace kaldoria::download
