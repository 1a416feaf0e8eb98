#pragma once

// The UnRAR library's C API, used only inside this folder. dll.hpp defines Windows-style type
// macros (HANDLE clashes with Qt::HANDLE); they are dropped right after it, and code here spells
// the types out: handle void*, UINT unsigned, LPARAM long.
#ifndef _UNIX
#define _UNIX
#endif
#include <unrar/dll.hpp>
#undef CALLBACK
#undef PASCAL
#undef LONG
#undef HANDLE
#undef LPARAM
#undef UINT

#include <QString>

namespace kaldoria::unpack {

// The entry points of the UnRAR library, resolved when it is loaded: the eleven of its classic
// API and RARProcessFileW, which takes the target name as wide text so that any file name works
// whatever the process locale.
struct UnrarApi {
    decltype(&RAROpenArchive) OpenArchive = nullptr;
    decltype(&RAROpenArchiveEx) OpenArchiveEx = nullptr;
    decltype(&RARCloseArchive) CloseArchive = nullptr;
    decltype(&RARReadHeader) ReadHeader = nullptr;
    decltype(&RARReadHeaderEx) ReadHeaderEx = nullptr;
    decltype(&RARProcessFile) ProcessFile = nullptr;
    decltype(&RARProcessFileW) ProcessFileW = nullptr;
    decltype(&RARSetCallback) SetCallback = nullptr;
    decltype(&RARSetChangeVolProc) SetChangeVolProc = nullptr;
    decltype(&RARSetProcessDataProc) SetProcessDataProc = nullptr;
    decltype(&RARSetPassword) SetPassword = nullptr;
    decltype(&RARGetDllVersion) GetDllVersion = nullptr;
};

// The process-wide loaded state of the UnRAR library: loaded by file name in the platform's
// usual way (dlopen on this system), shared by every TRAR object.
class UnrarLibrary {
public:
    // Loads the library and binds all entry points; false (and the reason in `error`) when
    // the library cannot be loaded or lacks an entry point. True at once when already loaded.
    static bool load(const QString& fileName, QString& error);
    static void unload();
    static bool isLoaded();
    // Valid only while isLoaded().
    static const UnrarApi& api();
};

} // namespace kaldoria::unpack
