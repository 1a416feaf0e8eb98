#include "download/FileAssembly.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>

namespace kaldoria::download {

namespace {

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

qint64 FileAssembly::inOrder() const {
    // A range split off a running one stands at the end of the list: walk them by offset.
    std::vector<const Range*> byOffset;
    for (const Range& range : m_ranges)
        byOffset.push_back(&range);
    std::sort(byOffset.begin(), byOffset.end(), [](const Range* a, const Range* b) { return a->first < b->first; });
    qint64 total = 0;
    for (const Range* range : byOffset) {
        total += range->written;
        if (!range->done)
            break;
    }
    return total;
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

int FileAssembly::split(int index, qint64 at) {
    Range& range = m_ranges[size_t(index)];
    Range rest{.first = at, .last = range.last};
    range.last = at - 1;
    m_ranges.push_back(rest);
    return int(m_ranges.size()) - 1;
}

DownloadFailure FileAssembly::write(int index, const char* data, qint64 size) {
    Range& range = m_ranges[size_t(index)];
    if (range.bounded() && range.written + size > range.length())
        return DownloadFailure::transfer(QStringLiteral("the answer was longer than the range asked for"));
    if (!m_file->writeAt(range.next(), data, size))
        return writeFailure(errno);
    range.written += size;
    return {};
}

bool FileAssembly::allDone() const {
    for (const Range& range : m_ranges) {
        if (!range.done)
            return false;
    }
    return true;
}

void FileAssembly::discard() {
    m_file.reset();
    QFile::remove(m_job.path);
}

} // namespace kaldoria::download
