#include "startup/InterfaceTexts.h"
#include "startup/tConfigData.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

// Any bytes as a configuration text, then a language chosen from it applied to the table.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kaldoria::startup;
    QBuffer stream;
    stream.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    stream.open(QIODevice::ReadOnly);
    tConfigData config;
    config.ParseConfig(stream);
    const qint32 wanted = size > 0 ? config.GetLanguageIdByName(config.Config.DefaultLanguage) + data[0] : 0;
    config.SetLanguageArray(wanted, InterfaceTexts);
    return 0;
}
