#pragma once

#include "filelist/Status.h"
#include "filelist/TCustomMD5.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

class QIODevice;

namespace kaldoria::platform {
class FileReader;
}

namespace kaldoria::filelist {

// An MD5 digest fed piece by piece: numbers low byte first, text as UTF-16 code units low
// byte first, files and streams in 8192-byte blocks.
class TMD5 : public TCustomMD5 {
public:
    // Back to the empty message.
    void Reset();

    void Add(QChar value);                        // 2 bytes
    void Add(std::uint8_t value);                 // 1 byte
    void Add(std::uint16_t value);                // 2 bytes
    void Add(std::int32_t value);                 // 4 bytes, two's complement
    void Add(std::uint32_t value);                // 4 bytes
    void Add(const QString& value);               // 2 bytes per code unit; nothing for an empty string
    void Add(const QStringList& value);           // each line as Add(QString), nothing between them
    void Add(const void* data, std::size_t size); // the bytes as they are
    // Character literals would be promoted to a 4-byte int: pass a QChar or a sized integer.
    void Add(char) = delete;
    void Add(char16_t) = delete;

    // Appends the whole file (`fileName` may use "\" as separator). Fails with "Cannot open
    // file <name>" when it is missing, a folder or cannot be opened (nothing appended), or
    // with "Cannot read file <name>" when a read fails (bytes not read are never appended).
    Status AddFile(const QString& fileName);

    // Appends the rest of an already opened file; `fileName` names it in the error.
    Status AddOpenFile(platform::FileReader& file, const QString& fileName);

    // Appends the bytes from the stream's position to its end, then puts the position back
    // (also when a read fails: "Stream read error").
    Status AddStream(QIODevice& stream);
};

// The digest string of a file, or the error of TMD5::AddFile.
struct FileDigest {
    QString digest;
    Status status = Status::success();
};
FileDigest GetFileMD5(const QString& fileName);

} // namespace kaldoria::filelist
