#include "TRAR.h"

#include "ArchiveEntryName.h"
#include "DosDateTime.h"
#include "ExtractionTemporary.h"
#include "LibraryName.h"
#include "UnpackLog.h"
#include "UnrarLibrary.h"

#include <platform/DayCount.h>
#include <platform/FileSync.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <string>

namespace kaldoria::unpack {

// The library's records, kept out of the public header because dll.hpp brings Windows macros.
struct TRARLibraryRecords {
    RAROpenArchiveDataEx ArchiveData{};
    RARHeaderDataEx hdrData{};
    QByteArray archiveName;
    std::wstring archiveNameW;
};

// Entry point the library calls back into; the user data is the TRAR object.
struct TRARCallback {
    static int call(unsigned message, long userData, long p1, long p2) {
        return reinterpret_cast<TRAR*>(userData)->onLibraryMessage(message, p1, p2);
    }
};

namespace {

constexpr qsizetype kCommentBufferSize = 65536;
// The library hands over a volume name buffer of at least this many bytes.
constexpr qsizetype kVolumeNameBufferSize = 1024;
constexpr int kContinue = 1;
constexpr int kStop = -1;

quint64 joinSize(unsigned low, unsigned high) {
    return (static_cast<quint64>(high) << 32) | low;
}

QString hostOSText(unsigned hostOS) {
    switch (hostOS) {
    case 0:
        return QStringLiteral("DOS");
    case 1:
        return QStringLiteral("IBM OS/2");
    case 2:
        return QStringLiteral("Windows");
    case 3:
        return QStringLiteral("Unix");
    default:
        return QStringLiteral("unknown");
    }
}

bool isFolderEntry(const RARHeaderDataEx& header) {
    return (header.Flags & RHDF_DIRECTORY) != 0 || header.FileAttr == 16;
}

// Symbolic links, hard links, junctions and file copies: never created by extraction.
bool isLinkEntry(const RARHeaderDataEx& header) {
    constexpr unsigned kUnixHost = 3;
    constexpr unsigned kUnixTypeMask = 0xF000;
    constexpr unsigned kUnixSymlink = 0xA000;
    return header.RedirType != 0 || (header.HostOS == kUnixHost && (header.FileAttr & kUnixTypeMask) == kUnixSymlink);
}

// Whether the archive file is an executable program (a self-extracting archive).
bool isExecutableFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(4);
    return start.startsWith("MZ") || start == QByteArray("\x7F"
                                                         "ELF");
}

void copyToBuffer(const QByteArray& text, char* buffer, qsizetype bufferSize) {
    const qsizetype n = std::min(text.size(), bufferSize - 1);
    std::memcpy(buffer, text.constData(), static_cast<size_t>(n));
    buffer[n] = '\0';
}

bool isAbortingError(int code) {
    return code == RARError::NoMemory || code == RARError::BadData ||
           (code >= RARError::UnknownFormat && code <= RARError::Unknown) || code == RARError::NotAvailable;
}

} // namespace

TRAR::TRAR(QObject* owner) : QObject(owner), records(std::make_unique<TRARLibraryRecords>()) {}

TRAR::~TRAR() {
    UnloadDLL();
}

bool TRAR::OpenFile(const QString& fileName) {
    fArchiveInformation = TRARArchiveInformation{};
    fLastRefusal.clear();
    if (!isDLLLoaded())
        LoadDLL();
    if (!isDLLLoaded()) {
        reportError(RARError::NotAvailable, TRAROperation::roInitArchive);
        return false;
    }
    fArchiveInformation.fFileName = fileName;
    const bool listed = List();
    fArchiveInformation.fOpened = true;
    return listed;
}

bool TRAR::openArchive(unsigned mode) {
    if (!isDLLLoaded())
        LoadDLL();
    if (!isDLLLoaded()) {
        reportError(RARError::NotAvailable, TRAROperation::roInitArchive);
        return false;
    }
    if (!libraryKeepsName(fArchiveInformation.fFileName)) {
        qCWarning(lcUnpack).noquote() << "the archive name cannot be handed to the UnRAR library under this locale:"
                                      << fArchiveInformation.fFileName;
        reportError(RARError::NotAvailable, TRAROperation::roInitArchive);
        return false;
    }
    if (Comment.isEmpty())
        Comment.resize(kCommentBufferSize);
    records->archiveName = QFile::encodeName(fArchiveInformation.fFileName);
    records->archiveNameW = fArchiveInformation.fFileName.toStdWString();
    RAROpenArchiveDataEx& data = records->ArchiveData;
    data = RAROpenArchiveDataEx{};
    data.ArcName = records->archiveName.data();
    data.ArcNameW = records->archiveNameW.data();
    data.OpenMode = mode;
    data.CmtBuf = Comment.data();
    data.CmtBufSize = static_cast<unsigned>(Comment.size());
    // Handing the callback over with the open record lets the library ask for the password of
    // an archive with encrypted headers while it opens it.
    data.Callback = &TRARCallback::call;
    data.UserData = reinterpret_cast<long>(this);
    ArchiveHandle = UnrarLibrary::api().OpenArchiveEx(&data);
    if (ArchiveHandle == nullptr) {
        reportError(RARError::NotAvailable, TRAROperation::roInitArchive);
        return false;
    }
    TRARArchiveInformation& info = fArchiveInformation;
    info.fLocked = info.fLocked || (data.Flags & ROADF_LOCK) != 0;
    info.fSigned = info.fSigned || (data.Flags & ROADF_SIGNED) != 0;
    info.fRecovery = info.fRecovery || (data.Flags & ROADF_RECOVERY) != 0;
    info.fSolid = info.fSolid || (data.Flags & ROADF_SOLID) != 0;
    info.fArchiveComment = info.fArchiveComment || (data.Flags & ROADF_COMMENT) != 0;
    info.fHeaderEncrypted = info.fHeaderEncrypted || (data.Flags & ROADF_ENCHEADERS) != 0;
    info.fSFX = isExecutableFile(info.fFileName);
    switch (data.CmtState) {
    case 0:
        info.fComment.clear();
        info.fArchiveComment = false;
        break;
    case 1: {
        const qsizetype size = std::min<qsizetype>(data.CmtSize, Comment.size());
        info.fComment = QByteArray(Comment.constData(), size);
        while (info.fComment.endsWith('\0'))
            info.fComment.chop(1);
        info.fArchiveComment = true;
        break;
    }
    case RARError::NoMemory:
    case RARError::BadData:
    case RARError::UnknownFormat:
    case RARError::SmallBuffer:
        reportError(static_cast<int>(data.CmtState), TRAROperation::roInitArchive);
        break;
    default:
        break;
    }
    if (data.CmtState >= 2) {
        closeArchive();
        return false;
    }
    UnrarLibrary::api().SetCallback(ArchiveHandle, &TRARCallback::call, reinterpret_cast<long>(this));
    return true;
}

void TRAR::closeArchive() {
    if (ArchiveHandle == nullptr)
        return;
    const int code = UnrarLibrary::api().CloseArchive(ArchiveHandle);
    ArchiveHandle = nullptr;
    if (code == RARError::CloseFailed)
        reportError(code, TRAROperation::roInitArchive);
}

int TRAR::readHeader() {
    records->hdrData = RARHeaderDataEx{};
    return UnrarLibrary::api().ReadHeaderEx(ArchiveHandle, &records->hdrData);
}

bool TRAR::List() {
    fAbort = false;
    if (!openArchive(fReadMVToEnd ? RAR_OM_LIST_INCSPLIT : RAR_OM_LIST))
        return false;
    bool result = !fAbort;
    int code = 0;
    while (code == 0 && result) {
        code = readHeader();
        if (code == ERAR_END_ARCHIVE)
            break;
        if (code != 0) {
            result = false;
            reportError(code, TRAROperation::roListFiles);
            break;
        }
        listHeader();
        code = UnrarLibrary::api().ProcessFile(ArchiveHandle, RAR_SKIP, nullptr, nullptr);
        if (code != 0) {
            result = false;
            reportError(code, TRAROperation::roListFiles);
        }
        if (fAbort)
            result = false;
    }
    closeArchive();
    return result;
}

void TRAR::listHeader() {
    const RARHeaderDataEx& header = records->hdrData;
    TRARArchiveInformation& info = fArchiveInformation;
    const bool splitBefore = (header.Flags & RHDF_SPLITBEFORE) != 0;
    const bool splitAfter = (header.Flags & RHDF_SPLITAFTER) != 0;
    quint64 packedSize = joinSize(header.PackSize, header.PackSizeHigh);
    const quint64 unpackedSize = joinSize(header.UnpSize, header.UnpSizeHigh);

    // With the split parts listed, a file split over volumes counts once, at its last part,
    // with the packed size of all its parts.
    if (fReadMVToEnd && splitAfter) {
        fPackedSizeMVVolume = splitBefore ? fPackedSizeMVVolume + packedSize : packedSize;
        return;
    }
    if (fReadMVToEnd && splitBefore) {
        fPackedSizeMVVolume += packedSize;
        packedSize = fPackedSizeMVVolume;
    }

    const unsigned major = header.UnpVer / 10;
    const unsigned minor = header.UnpVer % 10;
    if (major * 10 + minor > info.fArchiverMajorVersion * 10 + info.fArchiverMinorVersion) {
        info.fArchiverMajorVersion = major;
        info.fArchiverMinorVersion = minor;
    }
    if (header.Flags & RHDF_ENCRYPTED)
        info.fEncryption = true;
    if (header.Flags & RHDF_SOLID)
        info.fSolid = true;
    info.fHostOS = hostOSText(header.HostOS);
    if (!isFolderEntry(header)) {
        ++info.fTotalFiles;
        // The library reports the dictionary in KiB; older ones only as bits 5 to 7 of the flags.
        const unsigned windowBits = (header.Flags >> 5) & 7;
        if (header.DictSize != 0)
            info.fDictionarySize = static_cast<qint64>(header.DictSize) * 1024;
        else if (windowBits < 7)
            info.fDictionarySize = qint64(65536) << windowBits;
    }
    info.fCompressedSize += static_cast<qint64>(packedSize);
    info.fUnCompressedSize += static_cast<qint64>(unpackedSize);
    if (header.Flags & (RHDF_SPLITBEFORE | RHDF_SPLITAFTER))
        info.fMultiVolume = true;
    if (header.CmtSize != 0)
        info.fFileComment = true;

    if (!OnListFile)
        return;
    TRARFileItem item;
    item.FileName = QByteArray(header.FileName);
    item.FileNameW = QString::fromWCharArray(header.FileNameW);
    item.CompressedSize = packedSize;
    item.UnCompressedSize = unpackedSize;
    item.HostOS = hostOSText(header.HostOS);
    item.CRC32 = QString::number(header.FileCRC, 16);
    item.Attributes = header.FileAttr;
    item.Time = DosDateTime::toDayCount(header.FileTime);
    item.CompressionStrength = header.Method;
    item.ArchiverVersion = header.UnpVer;
    item.Encrypted = (header.Flags & RHDF_ENCRYPTED) != 0;
    OnListFile(*this, item);
}

bool TRAR::Extract(const QString& path, bool restoreFolder, const std::optional<QStringList>& files) {
    fAbort = false;
    if (!openArchive(RAR_OM_EXTRACT))
        return false;
    QString folder = path;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    fProgressInfo = TRARProgressInfo{};

    bool result = true;
    while (!fAbort) {
        int code = readHeader();
        if (code == ERAR_END_ARCHIVE)
            break;
        if (code != 0) {
            result = false;
            reportError(code, TRAROperation::roExtract);
            break;
        }
        fProgressInfo.FileBytesDone = 0;
        fProgressInfo.FileBytesTotal =
            static_cast<qint64>(joinSize(records->hdrData.UnpSize, records->hdrData.UnpSizeHigh));
        fProgressInfo.FileName = QString::fromWCharArray(records->hdrData.FileNameW);
        if (!extractEntry(folder, restoreFolder, files, code))
            result = false;
        if (code != 0) {
            result = false;
            reportError(code, TRAROperation::roExtract);
            break;
        }
    }
    closeArchive();
    return result && !fAbort;
}

namespace {

bool isSelected(const QString& storedName, const std::optional<QStringList>& files) {
    if (!files)
        return true;
    QString name = storedName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (QString wanted : *files) {
        wanted.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (wanted == name)
            return true;
    }
    return false;
}

} // namespace

bool TRAR::extractEntry(const QString& folder, bool restoreFolder, const std::optional<QStringList>& files, int& code) {
    const RARHeaderDataEx& header = records->hdrData;
    const auto skip = [this] { return UnrarLibrary::api().ProcessFile(ArchiveHandle, RAR_SKIP, nullptr, nullptr); };
    const QString storedName = fProgressInfo.FileName;
    if (!isSelected(storedName, files)) {
        code = skip();
        return true;
    }
    std::optional<QString> refusal = ArchiveEntryName::refusal(storedName, restoreFolder);
    if (!refusal && isLinkEntry(header))
        refusal = QStringLiteral("link entry");
    if (!refusal && exceedsLimit(fProgressInfo.TotalSize + fProgressInfo.FileBytesTotal))
        refusal = QStringLiteral("entry larger than the extraction bound");
    if (refusal) {
        refuse(storedName, *refusal);
        code = skip();
        return false;
    }

    const QString relative = restoreFolder ? ArchiveEntryName::components(storedName).join(QLatin1Char('/'))
                                           : ArchiveEntryName::lastComponent(storedName);
    const QString target = folder + relative;
    if (isFolderEntry(header)) {
        if (restoreFolder && !QDir().mkpath(target)) {
            code = RARError::CreateFailed;
            return false;
        }
        code = skip();
        return true;
    }
    // The library is handed a name in the target's folder, which must reach the disk unchanged.
    if (!libraryKeepsName(target)) {
        refuse(storedName, QStringLiteral("a name the UnRAR library cannot pass on under this locale"));
        code = skip();
        return false;
    }

    TRARReplace action = TRARReplace::rrOverwrite;
    const QFileInfo existing(target);
    if (OnReplace && existing.exists()) {
        const TRARReplaceData existingData{target, existing.size(),
                                           platform::DayCount::fromDateTime(existing.lastModified())};
        const TRARReplaceData newData{relative, fProgressInfo.FileBytesTotal, DosDateTime::toDayCount(header.FileTime)};
        OnReplace(*this, existingData, newData, action);
    }
    switch (action) {
    case TRARReplace::rrCancel:
        fAbort = true;
        code = 0;
        return false;
    case TRARReplace::rrSkip:
        code = skip();
        fProgressInfo.FileBytesDone += fProgressInfo.FileBytesTotal;
        return true;
    case TRARReplace::rrOverwrite:
        return extractFileTo(target, code);
    }
    return false;
}

bool TRAR::extractFileTo(const QString& target, int& code) {
    const QString folder = QFileInfo(target).path();
    if (!QDir().mkpath(folder)) {
        UnrarLibrary::api().ProcessFile(ArchiveHandle, RAR_SKIP, nullptr, nullptr);
        code = RARError::CreateFailed;
        return false;
    }
    const QString temporary = ExtractionTemporary::nameBeside(target);
    std::wstring temporaryW = temporary.toStdWString();
    if (fFileCheck)
        fFileCheck->begin();
    code = UnrarLibrary::api().ProcessFileW(ArchiveHandle, RAR_EXTRACT, nullptr, temporaryW.data());
    if (code != 0 || fAbort) {
        QFile::remove(temporary);
        if (code == 0)
            code = RARError::CreateFailed;
        return false;
    }
    if (fFileCheck) {
        if (const QString refusal = fFileCheck->refusal(); !refusal.isEmpty()) {
            QFile::remove(temporary);
            refuse(fProgressInfo.FileName, refusal);
            fAbort = true;
            return false;
        }
    }
    // The file's bytes reach the disk before its name does, so a crash leaves the old file or
    // the whole new one; a replaced program file stays executable throughout.
    if (!platform::syncFile(temporary)) {
        QFile::remove(temporary);
        code = RARError::CreateFailed;
        return false;
    }
    if (const QString failure = platform::replaceFile(temporary, target); !failure.isEmpty()) {
        qCWarning(lcUnpack).noquote() << "cannot move the extracted file into place:" << target << failure;
        QFile::remove(temporary);
        code = RARError::CreateFailed;
        return false;
    }
    return true;
}

bool TRAR::exceedsLimit(qint64 bytes) const {
    return fExtractLimit >= 0 && bytes > fExtractLimit;
}

void TRAR::refuse(const QString& storedName, const QString& reason) {
    fLastRefusal = QStringLiteral("%1 (%2)").arg(storedName, reason);
    qCWarning(lcUnpack).noquote() << "refused archive entry" << storedName << "of" << fArchiveInformation.fFileName
                                  << QStringLiteral("(%1)").arg(reason);
    reportError(RARError::EntryRefused, TRAROperation::roExtract);
}

bool TRAR::Test() {
    fAbort = false;
    if (!openArchive(RAR_OM_EXTRACT))
        return false;
    fProgressInfo = TRARProgressInfo{};
    bool result = true;
    while (!fAbort) {
        int code = readHeader();
        if (code == ERAR_END_ARCHIVE)
            break;
        if (code == 0) {
            fProgressInfo.FileBytesDone = 0;
            fProgressInfo.FileBytesTotal =
                static_cast<qint64>(joinSize(records->hdrData.UnpSize, records->hdrData.UnpSizeHigh));
            fProgressInfo.FileName = QString::fromWCharArray(records->hdrData.FileNameW);
            code = UnrarLibrary::api().ProcessFile(ArchiveHandle, RAR_TEST, nullptr, nullptr);
        }
        if (code != 0) {
            result = false;
            reportError(code, TRAROperation::roTest);
            break;
        }
    }
    closeArchive();
    return result && !fAbort;
}

void TRAR::Abort() {
    fAbort = true;
}

void TRAR::reportError(int code, TRAROperation operation) {
    if (code == 0)
        return;
    if (isAbortingError(code))
        fAbort = true;
    if (OnError)
        OnError(*this, code, operation);
}

int TRAR::onLibraryMessage(unsigned message, long p1, long p2) {
    switch (message) {
    case UCM_CHANGEVOLUME: {
        if (p2 == RAR_VOL_NOTIFY)
            return kContinue;
        if (!fArchiveInformation.fOpened && !fReadMVToEnd)
            return kStop;
        char* buffer = reinterpret_cast<char*>(p1);
        const QString required = QString::fromLocal8Bit(buffer);
        QString newName = required;
        bool cancel = false;
        if (OnNextVolumeRequired)
            OnNextVolumeRequired(*this, required, newName, cancel);
        copyToBuffer(newName.toLocal8Bit(), buffer, kVolumeNameBufferSize);
        // The library asks again for as long as we answer "continue", so a volume that is
        // still missing ends the operation instead of looping.
        return cancel || fAbort || !QFileInfo::exists(newName) ? kStop : kContinue;
    }
    case UCM_PROCESSDATA:
        if (fFileCheck)
            fFileCheck->data(reinterpret_cast<const char*>(p1), std::size_t(p2));
        fProgressInfo.FileBytesDone += p2;
        fProgressInfo.TotalSize += p2;
        if (exceedsLimit(fProgressInfo.TotalSize)) {
            qCWarning(lcUnpack).noquote()
                << "extraction stopped past its bound of" << fExtractLimit << "bytes:" << fArchiveInformation.fFileName;
            fAbort = true;
            return kStop;
        }
        if (OnProgress)
            OnProgress(*this, fProgressInfo.FileName, fArchiveInformation.fUnCompressedSize, fProgressInfo.TotalSize,
                       fProgressInfo.FileBytesTotal, fProgressInfo.FileBytesDone);
        return fAbort ? kStop : kContinue;
    case UCM_NEEDPASSWORD: {
        const bool headerPassword = !fArchiveInformation.fOpened;
        if (headerPassword)
            fArchiveInformation.fHeaderEncrypted = true;
        const QString name = headerPassword ? fArchiveInformation.fFileName : fProgressInfo.FileName;
        QString password;
        bool cancel = false;
        if (OnPasswordRequired)
            OnPasswordRequired(*this, headerPassword, name, password, cancel);
        if (p2 > 0)
            copyToBuffer(password.toLocal8Bit(), reinterpret_cast<char*>(p1), p2);
        return cancel || fAbort ? kStop : kContinue;
    }
    default:
        return fAbort ? kStop : kContinue;
    }
}

void TRAR::LoadDLL() {
    QString error;
    if (!UnrarLibrary::load(fDLLName, error)) {
        qCWarning(lcUnpack).noquote() << "cannot load the UnRAR library" << fDLLName << ":" << error;
        return;
    }
    constexpr int kLowestVersion = 4;
    if (UnrarLibrary::api().GetDllVersion() < kLowestVersion)
        qCWarning(lcUnpack).noquote() << "the UnRAR library" << fDLLName << "is too old: a newer one is needed";
}

void TRAR::UnloadDLL() {
    UnrarLibrary::unload();
}

bool TRAR::isDLLLoaded() {
    return UnrarLibrary::isLoaded();
}

int TRAR::GetDllVersion() {
    if (!isDLLLoaded())
        LoadDLL();
    if (!isDLLLoaded()) {
        reportError(RARError::NotAvailable, TRAROperation::roInitArchive);
        return 0;
    }
    return UnrarLibrary::api().GetDllVersion();
}

} // namespace kaldoria::unpack
