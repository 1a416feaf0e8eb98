#pragma once

#include <QString>

namespace kaldoria::skin {

// Outcome of reading skin data. The readers stop at the first error and keep what they
// read before it; the caller decides what an error means for the program.
enum class SkinReadResult {
    Ok,
    StreamReadError, // a field, payload or item runs past the end of the data
    BitmapNotValid,  // an image item does not hold a bitmap file the decoder accepts
    FileNotReadable, // a skin file could not be opened
};

// The message shown or logged for a result; empty for Ok.
QString skinReadResultText(SkinReadResult result);

} // namespace kaldoria::skin
