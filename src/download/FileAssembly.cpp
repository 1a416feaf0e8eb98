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
    if (m_job.resumable) {
        if (resume())
            return {};
        ResumeRecord::remove(controlPath());
    }
    m_file = platform::RandomAccessFile::create(m_job.path);
    if (!m_file)
        return writeFailure(errno);
    return {};
}

bool FileAssembly::resume() {
    const std::optional<ResumeRecord> record = ResumeRecord::load(controlPath());
    // With every byte present nothing would ask the server whether the file is still the
    // same; such a file is fetched again. The record may come from another server than this
    // fetch's first (a mirror, or a server that is down now): the control file belongs to the
    // target, and the recorded validator, sent with the first range, decides.
    if (!record || record->writtenBytes() >= record->length)
        return false;
    std::unique_ptr<platform::RandomAccessFile> file = platform::RandomAccessFile::openExisting(m_job.path);
    if (!file || file->size() != record->length)
        return false;
    m_file = std::move(file);
    m_length = record->length;
    m_validator = record->validator;
    m_ranges.clear();
    qint64 next = 0;
    for (const ResumeRecord::Span& span : record->written) {
        addMissing(next, span.first);
        const qint64 bytes = span.last - span.first + 1;
        m_ranges.push_back({.first = span.first, .last = span.last, .written = bytes, .done = true});
        next = span.last + 1;
    }
    addMissing(next, m_length);
    m_resumedBytes = record->writtenBytes();
    m_recordedBytes = m_resumedBytes;
    m_unconfirmed = true;
    return true;
}

void FileAssembly::addMissing(qint64 first, qint64 end) {
    for (; first < end; first += m_rangeBytes)
        m_ranges.push_back({.first = first, .last = std::min(end, first + m_rangeBytes) - 1});
}

std::vector<const FileAssembly::Range*> FileAssembly::rangesByOffset() const {
    std::vector<const Range*> byOffset;
    for (const Range& range : m_ranges)
        byOffset.push_back(&range);
    std::sort(byOffset.begin(), byOffset.end(), [](const Range* a, const Range* b) { return a->first < b->first; });
    return byOffset;
}

qint64 FileAssembly::inOrder() const {
    qint64 total = 0;
    for (const Range* range : rangesByOffset()) {
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
    addMissing(firstRangeLast + 1, length);
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

void FileAssembly::startOver() {
    m_whole = false;
    m_length = -1;
    m_validator.clear();
    m_resumedBytes = 0;
    setRecorded(0, std::chrono::steady_clock::now());
    m_unconfirmed = false;
    m_ranges = {Range{.first = 0, .last = m_rangeBytes - 1}};
    if (m_file)
        m_file->reserve(0);
}

bool FileAssembly::recordable() const {
    return m_job.resumable && !m_whole && m_length > 0 && !m_validator.isEmpty() && m_ranges.size() > 1;
}

ResumeRecord FileAssembly::record() const {
    ResumeRecord record{.address = m_job.url, .length = m_length, .validator = m_validator, .written = {}};
    for (const Range* range : rangesByOffset())
        record.addWritten(range->first, range->next() - 1);
    return record;
}

int FileAssembly::nextIdleRange() const {
    if (m_unconfirmed && std::any_of(m_ranges.begin(), m_ranges.end(), [](const Range& r) { return r.running; }))
        return -1;
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
