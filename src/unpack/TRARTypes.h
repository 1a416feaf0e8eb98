#pragma once

#include <QByteArray>
#include <QString>

namespace kaldoria::unpack {

// The step of TRAR that reported an error.
enum class TRAROperation { roInitArchive, roListFiles, roExtract, roTest };

// What an OnReplace handler decides for an entry whose target already exists.
enum class TRARReplace { rrCancel, rrOverwrite, rrSkip };

// Codes reported through TRAR::OnError: the UnRAR library's result codes plus two of our own.
namespace RARError {
constexpr int NoMemory = 11;
constexpr int BadData = 12;
constexpr int BadArchive = 13;
constexpr int UnknownFormat = 14;
constexpr int OpenFailed = 15;
constexpr int CreateFailed = 16;
constexpr int CloseFailed = 17;
constexpr int ReadFailed = 18;
constexpr int WriteFailed = 19;
constexpr int SmallBuffer = 20;
constexpr int Unknown = 21;
constexpr int MissingPassword = 22;
// An entry was refused because it would be written outside the target folder or is a link;
// it is skipped and the operation goes on.
constexpr int EntryRefused = 98;
// The library is not available, or the archive could not be opened.
constexpr int NotAvailable = 99;
} // namespace RARError

// Dates are day counts since 1899-12-30 00:00 with the time of day as the fraction.
using TDateTime = double;

// One archive entry as handed to OnListFile.
struct TRARFileItem {
    QByteArray FileName; // the library's 8-bit name
    QString FileNameW;
    quint64 CompressedSize = 0;
    quint64 UnCompressedSize = 0;
    QString HostOS;
    QString CRC32; // lower-case hexadecimal without leading zeros
    unsigned Attributes = 0;
    QByteArray Comment;
    TDateTime Time = 0; // the entry's DOS date and time, no time-zone conversion
    unsigned CompressionStrength = 0;
    unsigned ArchiverVersion = 0;
    bool Encrypted = false;
};

// One side of an OnReplace question: the existing file or the archive entry.
struct TRARReplaceData {
    QString FileName;
    qint64 Size = 0;
    TDateTime Time = 0;
};

// Progress of the running operation.
struct TRARProgressInfo {
    qint64 FileBytesDone = 0;
    qint64 FileBytesTotal = 0;
    QString FileName;
    qint64 TotalSize = 0;
};

} // namespace kaldoria::unpack
