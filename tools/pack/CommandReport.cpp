#include "CommandReport.h"

#include <QTextStream>

namespace kaldoria::pack {

int commandFailed(const char* command, const QString& message) {
    QTextStream(stderr) << "kaldoria-pack " << command << ": " << message << "\n";
    return 1;
}

void commandWarning(const char* command, const QString& message) {
    QTextStream(stderr) << "kaldoria-pack " << command << ": warning: " << message << "\n";
}

int commandUsage(const char* usage) {
    QTextStream(stdout) << usage;
    return 0;
}

} // namespace kaldoria::pack
