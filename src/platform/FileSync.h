#pragma once

#include <QString>

namespace kaldoria::platform {

// Flushes a file's data to the disk (fsync), so that a rename that follows can never make a
// name point at a file whose bytes were lost in a crash. False when the file cannot be
// opened or flushed.
bool syncFile(const QString& path);

} // namespace kaldoria::platform
