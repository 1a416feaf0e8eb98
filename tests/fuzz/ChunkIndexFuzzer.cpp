// Fuzz target for the chunk index reader: any bytes either are refused with a reason or read
// into an index within its bounds whose text form is exactly the bytes read (the form has one
// spelling), and which reads back the same.
#include "chunks/ChunkIndex.h"
#include "chunks/FastCdc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kaldoria;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const trust::Result<chunks::ChunkIndex> parsed = chunks::ChunkIndex::parse(bytes);
    if (!parsed.ok()) {
        if (parsed.error().isEmpty())
            std::abort();
        return 0;
    }
    const chunks::ChunkIndex& index = parsed.value();
    qint64 total = 0;
    for (const chunks::ChunkEntry& chunk : index.chunks()) {
        if (chunk.length < 1 || chunk.length > chunks::FastCdc::kMaxSize)
            std::abort();
        total += chunk.length;
    }
    if (total != index.fileSize() || qsizetype(index.chunks().size()) > chunks::ChunkIndex::kMaxChunks)
        std::abort();
    const trust::Result<QByteArray> written = index.serialize();
    if (!written.ok() || written.value() != bytes)
        std::abort();
    const trust::Result<chunks::ChunkIndex> again = chunks::ChunkIndex::parse(written.value());
    if (!again.ok() || !(again.value() == index))
        std::abort();
    return 0;
}
