#pragma once

#include <QStringList>

// The subcommands of kaldoria-pack. Each takes the arguments after its name, reports
// problems on standard error and returns the process exit code (0 on success).
namespace kaldoria::pack {

int runStream(const QStringList& args);
int runPackage(const QStringList& args);
int runAttach(const QStringList& args);
int runList(const QStringList& args);
int runPublish(const QStringList& args);
int runKeygen(const QStringList& args);
int runVerify(const QStringList& args);
int runDemoSkin(const QStringList& args);

} // namespace kaldoria::pack
