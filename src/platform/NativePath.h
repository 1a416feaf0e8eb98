#pragma once

#include <QString>

namespace kaldoria::platform {

// Paths as the launcher builds them: folders and names joined with "\". Here every "\"
// becomes "/", and when the path does not exist as spelled, each of its parts is looked up
// case-insensitively in its folder (file systems here tell case apart; list names do not).
// A part that matches nothing is kept as spelled, and so is everything after it.
QString nativePath(const QString& path);

} // namespace kaldoria::platform
