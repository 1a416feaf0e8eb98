#include "PackCommands.h"

#include "demoskin/DemoSkinWriter.h"

#include <QTextStream>

namespace kaldoria::pack {

namespace {

void printUsage(QTextStream& out) {
    out << "Usage: kaldoria-pack demo-skin -o DIR\n\n"
           "Draws the demo skin and writes it as a skin folder: DIR/MainWindow/<element>/ and\n"
           "DIR/ConfigWindow/<element>/ with parameters.txt, the button, gauge and background\n"
           "bitmaps and the main window's outline (region.rgn). 'kaldoria-pack stream --skin DIR'\n"
           "packs the folder.\n";
}

} // namespace

int runDemoSkin(const QStringList& args) {
    QTextStream err(stderr);
    if (args.size() == 1 && (args[0] == u"--help" || args[0] == u"-h")) {
        QTextStream out(stdout);
        printUsage(out);
        return 0;
    }
    if (args.size() != 2 || args[0] != u"-o" || args[1].isEmpty()) {
        printUsage(err);
        return 2;
    }
    if (const auto error = demoskin::writeDemoSkin(args[1])) {
        err << "kaldoria-pack demo-skin: " << *error << "\n";
        return 1;
    }
    return 0;
}

} // namespace kaldoria::pack
