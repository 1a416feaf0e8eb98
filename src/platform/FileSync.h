#pragma once

#include <QSaveFile>
#include <QString>

namespace kaldoria::platform {

// Flushes a file's data to the disk (fsync), so that a rename that follows can never make a
// name point at a file whose bytes were lost in a crash. False when the file cannot be
// opened or flushed.
bool syncFile(const QString& path);

// Renames `temporary` over `target`, giving it first the permissions of a program file it
// replaces, so that the program stays executable throughout. The system's reason when the
// rename fails (`temporary` is then left as it is), nothing when it succeeds.
QString replaceFile(const QString& temporary, const QString& target);

// Commits `file` (QSaveFile renames its temporary file over the target) once what was
// written has reached the disk, so that a crash leaves the target either old or new and
// whole. On any failure the temporary file is removed and the target stays as it was.
bool commitToDisk(QSaveFile& file);

} // namespace kaldoria::platform
