#pragma once

#include <QIODevice>

#include <memory>

namespace kaldoria::platform {
class RandomAccessFile;
}

namespace kaldoria::download {

// A segment's part: a write-only stream onto `limit` bytes of a file starting at `base`.
// Position 0 of the stream is byte `base` of the file. A write that would go past the limit
// writes what fits and fails, so a segment never writes outside its range.
class RangeWriter : public QIODevice {
public:
    RangeWriter(std::shared_ptr<platform::RandomAccessFile> file, qint64 base, qint64 limit);

    bool isSequential() const override { return false; }

    // Bytes the part holds: the furthest position ever written (rewinding does not shorten).
    qint64 size() const override { return m_size; }

    platform::RandomAccessFile& file() const { return *m_file; }
    qint64 base() const { return m_base; }
    // The system's error number of the last write the file refused; 0 when none was.
    int writeError() const { return m_writeError; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    std::shared_ptr<platform::RandomAccessFile> m_file;
    qint64 m_base;
    qint64 m_limit;
    qint64 m_size = 0;
    int m_writeError = 0;
};

} // namespace kaldoria::download
