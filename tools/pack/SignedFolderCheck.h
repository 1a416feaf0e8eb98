#pragma once

#include "filelist/TFileRecord.h"
#include "trust/ParsedManifest.h"
#include "trust/TrustedKey.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kaldoria::pack {

// Checks a published update server folder the way a launcher that trusts `keys` would: the
// signature and expiry of "updater.sig", the SHA-256 of the list that "updater.lst.kdz"
// unpacks to, and of every listed file's archive and of the file the archive holds; and
// each file's chunk index and its chunks where the server has them.
class SignedFolderCheck {
public:
    struct Outcome {
        // Why a launcher would refuse the folder; empty when it would accept it.
        QStringList problems;
        // The manifest, once it was read and its signature accepted.
        std::optional<trust::ParsedManifest> manifest;
    };

    static Outcome run(const QString& server, const std::vector<trust::TrustedKey>& keys, qint64 nowSeconds);

private:
    SignedFolderCheck(const QString& server, const trust::ParsedManifest& manifest, QStringList& problems)
        : m_server(server), m_manifest(manifest), m_signedFiles(manifest.data.filesByName()), m_problems(problems) {}

    // Unpacks the list and checks its digest; its file lines, or nothing when the list fails.
    std::optional<QStringList> checkList(const QString& work);
    // Checks every listed file's archive and content, extracting into `work`.
    void checkFiles(const QStringList& fileLines, const QString& work);
    void checkFile(const filelist::TFileRecord& record, const QString& work);

    const QString& m_server;
    const trust::ParsedManifest& m_manifest;
    const QHash<QString, trust::ManifestFile> m_signedFiles;
    QStringList& m_problems;
};

} // namespace kaldoria::pack
