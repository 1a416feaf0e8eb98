#include "startup/DecompressStream.h"

#include "platform/Bzip2.h"

namespace kaldoria::startup {

bool DecompressStream(QIODevice& source, QIODevice& target, std::optional<qint64> maxOutput) {
    return platform::Bzip2::decompress(source, target, maxOutput.value_or(platform::Bzip2::kNoLimit)).ok();
}

} // namespace kaldoria::startup
