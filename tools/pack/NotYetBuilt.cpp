#include "PackCommands.h"

#include <QTextStream>

// Commands whose code lands with later work; each is replaced by its own file.
namespace kaldoria::pack {

namespace {
int notYetBuilt(const char* name) {
    QTextStream(stderr) << "kaldoria-pack: '" << name << "' is not built yet\n";
    return 2;
}
} // namespace

int runPublish(const QStringList&) {
    return notYetBuilt("publish");
}

} // namespace kaldoria::pack
