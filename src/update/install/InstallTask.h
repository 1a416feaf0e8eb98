#pragma once

#include "filelist/TFileItem.h"
#include "trust/ManifestData.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kaldoria::update {

// One client file to bring to the server's record: where its packed form comes from, where
// it waits, and where it is extracted to.
struct InstallTask {
    int index = 0; // the file's place in the run; reports follow this order
    filelist::TFileRecord record;
    QString address; // the packed file's address; empty in local-source mode
    // The packed file on the other servers taking part, which share its ranges.
    QStringList mirrorAddresses{};
    // The file's chunk index, when its new version may be assembled from chunks; and the chunk
    // store's address on every server taking part, the list's server first.
    QString indexAddress{};
    QStringList chunkStores{};
    // Where the file's index is kept once the file is in place, for planning its next patch.
    QString keptIndexPath{};
    QString localCopy;    // the packed file in the local source folder, in local-source mode
    QString packedPath;   // the packed file in the work folder while it waits for extraction
    QString folder;       // the folder the archive is extracted into
    QString placedPath;   // the client file as the list names it
    QString expectedMd5;  // digest of the packed file; empty when the list gives none
    bool ownFile = false; // the launcher's own program file
    // For a signed update: the SHA-256 digests the packed and the extracted file must have
    // before the file is put in place; the signed digest then judges the packed file instead
    // of `expectedMd5`.
    std::optional<trust::ManifestFile> signedFile;
};

// How the work on one file ended.
struct InstallResult {
    int index = 0;
    bool installed = false;
    QString reason{}; // why not
    bool diskFull = false;
    qint64 bytesNeeded = 0;
    qint64 bytesFree = 0;
};

} // namespace kaldoria::update
