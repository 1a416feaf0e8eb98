#pragma once

#include <QString>

namespace kaldoria::unpack {

// The names extraction writes a file under before renaming it into place: a hidden name
// in the target's folder, ".<random>.kaldoria-part". Short, so that it fits wherever the
// target's own name fits; recognisable, so that a later run finds and removes what a run
// that was killed mid-file left behind.
class ExtractionTemporary {
public:
    // A fresh temporary name in the folder of `target`.
    static QString nameBeside(const QString& target);
    // Whether the bare file name `fileName` is such a temporary name.
    static bool matches(const QString& fileName);
};

} // namespace kaldoria::unpack
