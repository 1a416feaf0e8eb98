#pragma once

#include <QString>

namespace kaldoria::update {

// How deep the file checks look and how many files are hashed at once, taken from the
// user's check mode and drive type at the start of every check.
struct CheckSettings {
    // 2 hard (MD5), 1 medium (size and date), 0 light (previous list).
    int checkLevel = 2;
    // 1 for a hard disk, 3 for a solid-state disk.
    int hashThreadCount = 1;

    // Texts that name no known value leave the value as it was.
    void applyFrom(const QString& checkMode, const QString& driveType);
};

} // namespace kaldoria::update
