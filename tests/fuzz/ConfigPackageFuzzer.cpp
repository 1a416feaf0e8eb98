#include "startup/ConfigPackage.h"
#include "startup/DecompressStream.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

// Any bytes as a configuration package, and as a plain bzip2 stream with an output cap.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kaldoria::startup;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ConfigPackage::decode(bytes, nullptr);

    QBuffer source;
    source.setData(bytes);
    source.open(QIODevice::ReadOnly);
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    DecompressStream(source, target, 16 * 1024 * 1024);
    return 0;
}
