#pragma once

#include <QByteArray>
#include <QString>

namespace kaldoria::unpack {

class TRAR;

// What TRAR learnt about the archive named by the last OpenFile: filled while it opens and
// lists the archive, read-only for everybody else.
class TRARArchiveInformation {
public:
    const QString& FileName() const { return fFileName; }
    unsigned ArchiverMajorVersion() const { return fArchiverMajorVersion; }
    unsigned ArchiverMinorVersion() const { return fArchiverMinorVersion; }
    qint64 DictionarySize() const { return fDictionarySize; }
    bool Encryption() const { return fEncryption; }
    bool Solid() const { return fSolid; }
    const QString& HostOS() const { return fHostOS; }
    int TotalFiles() const { return fTotalFiles; }
    qint64 CompressedSize() const { return fCompressedSize; }
    qint64 UnCompressedSize() const { return fUnCompressedSize; }
    bool HeaderEncrypted() const { return fHeaderEncrypted; }
    bool MultiVolume() const { return fMultiVolume; }
    bool ArchiveComment() const { return fArchiveComment; }
    bool FileComment() const { return fFileComment; }
    const QByteArray& Comment() const { return fComment; }
    bool Signed() const { return fSigned; }
    bool Locked() const { return fLocked; }
    bool Recovery() const { return fRecovery; }
    bool SFX() const { return fSFX; }

private:
    friend class TRAR;

    QString fFileName;
    unsigned fArchiverMajorVersion = 0;
    unsigned fArchiverMinorVersion = 0;
    qint64 fDictionarySize = 0;
    bool fEncryption = false;
    bool fSolid = false;
    QString fHostOS;
    int fTotalFiles = 0;
    qint64 fCompressedSize = 0;
    qint64 fUnCompressedSize = 0;
    bool fHeaderEncrypted = false;
    bool fMultiVolume = false;
    bool fArchiveComment = false;
    bool fFileComment = false;
    QByteArray fComment;
    bool fSigned = false;
    bool fLocked = false;
    bool fRecovery = false;
    bool fSFX = false;
    bool fOpened = false;
};

} // namespace kaldoria::unpack
