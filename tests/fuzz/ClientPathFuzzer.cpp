// Fuzz target for the path confinement checks: a list name that ClientPath accepts, and an
// archive entry name that ArchiveEntryName accepts, always lead to a path inside the folder.
#include "platform/ClientPath.h"
#include "unpack/ArchiveEntryName.h"

#include <QDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using kaldoria::platform::ClientPath;
using kaldoria::unpack::ArchiveEntryName;

namespace {

// Whether `path`, taken as the system takes it, stays below `root`.
bool inside(const QString& root, const QString& path) {
    return QDir::cleanPath(path).startsWith(root + QLatin1Char('/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString root = QStringLiteral("/nonexistent-client-root");
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    if (ClientPath::isConfined(name)) {
        QString path = ClientPath::resolve(root, name);
        if (!inside(root, path))
            std::abort();
        // Windows reads "\" as a separator and ".. " as "..".
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        for (const QString& part : path.split(QLatin1Char('/'))) {
            QString bare = part;
            while (bare.endsWith(QLatin1Char(' ')))
                bare.chop(1);
            if (bare == QStringLiteral(".."))
                std::abort();
        }
    }
    for (const bool restoreFolder : {false, true}) {
        if (ArchiveEntryName::refusal(name, restoreFolder))
            continue;
        const QString relative = restoreFolder ? ArchiveEntryName::components(name).join(QLatin1Char('/'))
                                               : ArchiveEntryName::lastComponent(name);
        if (relative.isEmpty() || !inside(root, root + QLatin1Char('/') + relative))
            std::abort();
    }
    return 0;
}
