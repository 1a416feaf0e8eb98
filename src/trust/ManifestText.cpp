#include "trust/ManifestText.h"

namespace kaldoria::trust::manifest_text {

bool isWritableName(const QString& name) {
    if (name.trimmed().isEmpty())
        return false;
    for (QChar c : name) {
        if (c == u'|' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

} // namespace kaldoria::trust::manifest_text
