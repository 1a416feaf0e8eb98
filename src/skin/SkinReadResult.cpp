#include "skin/SkinReadResult.h"

namespace kaldoria::skin {

QString skinReadResultText(SkinReadResult result) {
    switch (result) {
    case SkinReadResult::Ok:
        return {};
    case SkinReadResult::StreamReadError:
        return QStringLiteral("Stream read error");
    case SkinReadResult::BitmapNotValid:
        return QStringLiteral("Bitmap image is not valid");
    case SkinReadResult::FileNotReadable:
        return QStringLiteral("Cannot open the skin file");
    }
    return {};
}

} // namespace kaldoria::skin
