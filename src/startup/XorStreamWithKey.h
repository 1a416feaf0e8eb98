#pragma once

#include <QByteArray>
#include <QIODevice>

namespace kaldoria::startup {

// Scrambles or unscrambles a whole seekable stream in place: the byte at offset k becomes
// itself exclusive-or key byte (k mod key length). Applying it twice restores the stream.
// The stream ends positioned at its end and keeps its size. `key` holds 1 to 200 bytes;
// false (stream untouched) for any other key or when the stream cannot be read or written.
bool XorStreamWithKey(QIODevice& stream, const QByteArray& key);

} // namespace kaldoria::startup
