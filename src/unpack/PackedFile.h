#pragma once

#include "trust/Sha256.h"

#include <QString>

#include <optional>

namespace kaldoria::unpack {

// The two packings an update server uses for its ".kdz" files: the packed file list (a bzip2
// stream whose first five bytes were replaced) and a client file (a RAR archive holding it).

// Outcome of UnpackPackedFile.
struct UnpackResult {
    enum class Status {
        Unpacked,
        PackedFileMissing, // nothing happened; the target was not touched
        Failed,            // the target was not touched either; `error` says why
    };
    Status status = Status::Unpacked;
    QString error;
    // The list did not fit on the disk: at least `bytesNeeded` more bytes were needed where
    // `bytesFree` were free.
    bool diskFull = false;
    qint64 bytesNeeded = 0;
    qint64 bytesFree = 0;
};

// The largest file list UnpackPackedFile writes. Real lists are a few MiB at most; the cap
// keeps a hostile packed list (a bzip2 bomb) from filling the disk.
constexpr qint64 kPackedListLimit = qint64(64) * 1024 * 1024;

// Restores the bzip2 header of the packed list in place ("BZh91"; the packed file keeps it)
// and decompresses it into `targetFileName`. The list is written to a temporary file beside the
// target and renamed over it only when the whole stream decompressed, so a damaged packed list
// leaves an existing target as it was.
UnpackResult UnpackPackedFile(const QString& packedFileName, const QString& targetFileName);

// Outcome of ExtractArchive: whether every file entry was extracted, and why not.
struct ExtractOutcome {
    bool extracted = false;
    QString reason;         // why not, for the log; empty when extracted
    bool diskFull = false;  // writing failed and the target's file system has less free
    qint64 bytesNeeded = 0; // than the archive's unpacked size (both in bytes)
    qint64 bytesFree = 0;
};

// Extracts every file of the RAR archive directly into `targetFolder` (relative to the current
// folder when relative; "\" or "/" separate its parts), under the files' bare names, replacing
// existing files; folders stored in the archive are dropped. Uses one RAR object shared by the
// whole program, so calls must come from one thread. Silent towards the user; refused entries
// are logged. Each file is written under a temporary name in `targetFolder`, flushed, and
// renamed into place once the library reports it whole. With `sizeLimit` the archive may
// write at most that many bytes in all: a larger entry is refused and extraction stops there.
// With `sha256` every file must have that SHA-256 digest, computed as the library writes it: a
// file with other bytes is refused before it replaces anything, and extraction stops there.
// Extracted when the archive exists, opens, and every file entry was extracted.
ExtractOutcome ExtractArchive(const QString& archiveFileName, const QString& targetFolder,
                              std::optional<qint64> sizeLimit = std::nullopt,
                              const std::optional<trust::Sha256Digest>& sha256 = std::nullopt);

} // namespace kaldoria::unpack
