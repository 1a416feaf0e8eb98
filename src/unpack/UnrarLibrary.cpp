#include "UnrarLibrary.h"

#include <QLibrary>

#include <memory>

namespace kaldoria::unpack {

namespace {

struct LoadedLibrary {
    std::unique_ptr<QLibrary> library;
    UnrarApi api;
};

LoadedLibrary& state() {
    static LoadedLibrary loaded;
    return loaded;
}

template <typename Function> bool bind(QLibrary& library, const char* name, Function& target) {
    target = reinterpret_cast<Function>(library.resolve(name));
    return target != nullptr;
}

} // namespace

bool UnrarLibrary::load(const QString& fileName, QString& error) {
    LoadedLibrary& loaded = state();
    if (loaded.library)
        return true;
    auto library = std::make_unique<QLibrary>(fileName);
    if (!library->load()) {
        error = library->errorString();
        return false;
    }
    UnrarApi api;
    const bool complete =
        bind(*library, "RAROpenArchive", api.OpenArchive) && bind(*library, "RAROpenArchiveEx", api.OpenArchiveEx) &&
        bind(*library, "RARCloseArchive", api.CloseArchive) && bind(*library, "RARReadHeader", api.ReadHeader) &&
        bind(*library, "RARReadHeaderEx", api.ReadHeaderEx) && bind(*library, "RARProcessFile", api.ProcessFile) &&
        bind(*library, "RARProcessFileW", api.ProcessFileW) && bind(*library, "RARSetCallback", api.SetCallback) &&
        bind(*library, "RARSetChangeVolProc", api.SetChangeVolProc) &&
        bind(*library, "RARSetProcessDataProc", api.SetProcessDataProc) &&
        bind(*library, "RARSetPassword", api.SetPassword) && bind(*library, "RARGetDllVersion", api.GetDllVersion);
    if (!complete) {
        error = library->errorString();
        library->unload();
        return false;
    }
    loaded.library = std::move(library);
    loaded.api = api;
    return true;
}

void UnrarLibrary::unload() {
    LoadedLibrary& loaded = state();
    if (!loaded.library)
        return;
    loaded.library->unload();
    loaded.library.reset();
    loaded.api = UnrarApi{};
}

bool UnrarLibrary::isLoaded() {
    return state().library != nullptr;
}

const UnrarApi& UnrarLibrary::api() {
    return state().api;
}

} // namespace kaldoria::unpack
