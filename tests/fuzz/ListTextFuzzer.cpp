// Fuzz target for the list text reader: any bytes, decoded as a list file is, must load
// without a crash, and a loaded list must survive writing and reading back unchanged.
#include "filelist/TFileList.h"
#include "platform/TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using kaldoria::filelist::TFileList;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool sorted = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    TFileList list(sorted);
    if (!list.LoadFromStrings(kaldoria::platform::TextCodec::decodeLines(bytes)).ok())
        return 0;
    QStringList first;
    list.SaveToStrings(&first);

    TFileList again(sorted);
    if (!again.LoadFromStrings(first).ok())
        std::abort();
    QStringList second;
    again.SaveToStrings(&second);
    if (first != second)
        std::abort();
    return 0;
}
