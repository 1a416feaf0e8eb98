#pragma once

#include "TRARArchiveInformation.h"
#include "TRARTypes.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace kaldoria::unpack {

struct TRARLibraryRecords;

// Looks at each file an extraction writes, as the library writes it, and decides once the
// file is whole whether it may be put in place. One file at a time, on the extracting thread.
class TRARFileCheck {
public:
    virtual ~TRARFileCheck() = default;
    // A new file starts.
    virtual void begin() = 0;
    // The next bytes of the file, in order.
    virtual void data(const char* bytes, std::size_t size) = 0;
    // Why the file whose bytes were just seen may not be put in place; empty when it may.
    virtual QString refusal() = 0;
};

// Lists, tests and extracts RAR archives through the UnRAR library and reports what happens
// through its events. Each of List, Extract and Test opens the archive named by the last
// OpenFile, works through it and closes it again. One thread at a time.
//
// Extraction never writes outside the target folder: entries with absolute names, drives or
// ".." components, and link entries, are refused (RARError::EntryRefused through OnError) and
// skipped. Each file is written under a temporary name in its folder and renamed into place
// once the library has written it completely.
class TRAR : public QObject {
    Q_OBJECT

public:
    using TOnRARErrorNotifyEvent = std::function<void(TRAR& sender, int errorCode, TRAROperation operation)>;
    using TOnRARListFile = std::function<void(TRAR& sender, const TRARFileItem& fileInformation)>;
    using TOnRARPasswordRequired = std::function<void(TRAR& sender, bool headerPassword, const QString& fileName,
                                                      QString& newPassword, bool& cancel)>;
    using TOnRARNextVolumeRequired =
        std::function<void(TRAR& sender, const QString& requiredFileName, QString& newFileName, bool& cancel)>;
    using TOnRARProcess = std::function<void(TRAR& sender, const QString& fileName, qint64 archiveBytesTotal,
                                             qint64 archiveBytesDone, qint64 fileBytesTotal, qint64 fileBytesDone)>;
    using TOnRARReplace = std::function<void(TRAR& sender, const TRARReplaceData& existingData,
                                             const TRARReplaceData& newData, TRARReplace& action)>;

    // The file name the library is loaded by.
    static constexpr const char* kDefaultDllName = "libunrar.so.5";

    explicit TRAR(QObject* owner = nullptr);
    ~TRAR() override;

    // Resets the archive information, loads the library when needed (error 99 with
    // roInitArchive when it cannot be), lists the archive and marks it opened.
    bool OpenFile(const QString& fileName);
    // Reads every header; true when the end of the archive was reached without error.
    bool List();
    // Extracts the entries selected by `files` (all when nullopt; stored names compared
    // exactly, "/" and "\" counting as the same separator) into `path`. With `restoreFolder`
    // the archive's folders are recreated below `path`, otherwise each file lands directly in
    // `path` under its last name component and folder entries are skipped.
    bool Extract(const QString& path, bool restoreFolder, const std::optional<QStringList>& files = std::nullopt);
    // Tests every entry.
    bool Test();
    // Stops the running operation at its next step (callable from an event handler).
    void Abort();

    // Loads the library named by DllName() for the whole process and binds its entry points.
    void LoadDLL();
    void UnloadDLL();
    static bool isDLLLoaded();
    // The library's API version, loading it first when needed; 0 (and error 99) when it
    // cannot be loaded.
    int GetDllVersion();

    static QString Version() { return QStringLiteral("1.2"); }

    bool ReadMultiVolumeToEnd() const { return fReadMVToEnd; }
    void setReadMultiVolumeToEnd(bool value) { fReadMVToEnd = value; }
    const QString& DllName() const { return fDLLName; }
    void setDllName(const QString& name) { fDLLName = name; }
    const TRARArchiveInformation& ArchiveInformation() const { return fArchiveInformation; }
    const TRARProgressInfo& ProgressInfo() const { return fProgressInfo; }
    // The stored name and reason of the last entry refused by Extract since OpenFile.
    const QString& LastRefusal() const { return fLastRefusal; }
    // The most bytes one Extract call may write in all; -1 for no bound. An entry that
    // announces more is refused, and extraction stops once the written bytes pass the bound,
    // so an archive that expands far beyond what its owner expects cannot fill the disk.
    qint64 ExtractLimit() const { return fExtractLimit; }
    void setExtractLimit(qint64 bytes) { fExtractLimit = bytes; }
    // Sees every file Extract writes; a file it refuses is not put in place and extraction
    // stops there. Not owned; nullptr for none.
    void setFileCheck(TRARFileCheck* check) { fFileCheck = check; }

    TOnRARErrorNotifyEvent OnError;
    TOnRARListFile OnListFile;
    TOnRARPasswordRequired OnPasswordRequired;
    TOnRARNextVolumeRequired OnNextVolumeRequired;
    TOnRARProcess OnProgress;
    TOnRARReplace OnReplace;

private:
    friend struct TRARCallback;

    bool openArchive(unsigned mode);
    void closeArchive();
    int readHeader();
    void reportError(int code, TRAROperation operation);
    void listHeader();
    // Handles the entry whose header was just read; false when it was refused or not written.
    // `code` receives the library's result for the entry.
    bool extractEntry(const QString& folder, bool restoreFolder, const std::optional<QStringList>& files, int& code);
    void refuse(const QString& storedName, const QString& reason);
    bool exceedsLimit(qint64 bytes) const;
    // Extracts the current entry under a temporary name beside `target`, then renames it;
    // false when it was refused or not written. `code` receives the library's result.
    bool extractFileTo(const QString& target, int& code);
    int onLibraryMessage(unsigned message, long p1, long p2);

    bool fAbort = false;
    qint64 fExtractLimit = -1;
    TRARFileCheck* fFileCheck = nullptr;
    QString fLastRefusal;
    TRARProgressInfo fProgressInfo;
    bool fReadMVToEnd = false;
    quint64 fPackedSizeMVVolume = 0;
    QByteArray Comment;
    QString fDLLName = QString::fromLatin1(kDefaultDllName);
    TRARArchiveInformation fArchiveInformation;
    std::unique_ptr<TRARLibraryRecords> records;
    void* ArchiveHandle = nullptr;
};

} // namespace kaldoria::unpack
