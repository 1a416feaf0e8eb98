#include "LibraryName.h"

#include <cstdlib>
#include <cwchar>
#include <string>

namespace kaldoria::unpack {

namespace {
// The library takes a name holding this character for one whose bytes it mapped itself.
constexpr wchar_t kLibraryMappingMark = 0xFFFE;
} // namespace

bool libraryKeepsName(const QString& name) {
    const std::wstring wide = name.toStdWString();
    if (wide.find(kLibraryMappingMark) != std::wstring::npos)
        return false;
    std::mbstate_t state{};
    const wchar_t* source = wide.c_str();
    const size_t length = std::wcsrtombs(nullptr, &source, 0, &state);
    if (length == static_cast<size_t>(-1))
        return false;
    std::string narrow(length, '\0');
    state = std::mbstate_t{};
    source = wide.c_str();
    std::wcsrtombs(narrow.data(), &source, length, &state);
    return narrow == name.toUtf8().toStdString();
}

} // namespace kaldoria::unpack
