#include "startup/ProcessValues.h"

namespace kaldoria::startup {

bool DebugMode = false;
QString InstanceName = QStringLiteral("AutoUpdater");

} // namespace kaldoria::startup
