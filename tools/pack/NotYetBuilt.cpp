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

int runStream(const QStringList&) {
    return notYetBuilt("stream");
}
int runPackage(const QStringList&) {
    return notYetBuilt("package");
}
int runAttach(const QStringList&) {
    return notYetBuilt("attach");
}
int runList(const QStringList&) {
    return notYetBuilt("list");
}
int runDemoSkin(const QStringList&) {
    return notYetBuilt("demo-skin");
}

} // namespace kaldoria::pack
