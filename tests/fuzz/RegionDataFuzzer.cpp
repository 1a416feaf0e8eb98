// Fuzz target for a skin's region data: any bytes give an outline or none without a crash,
// and an outline written back as region data reads back as the same outline.
#include "ui/skinapply/RegionData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kaldoria::skin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<QRegion> region =
        regionFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!region)
        return 0;
    if (region->isEmpty())
        std::abort();
    const std::optional<QRegion> again = regionFromData(regionToData(*region));
    if (!again || *again != *region)
        std::abort();
    return 0;
}
