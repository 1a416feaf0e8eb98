#pragma once

#include "skin/SkinReadResult.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QStringList>

#include <initializer_list>
#include <variant>

namespace kaldoria::skin {

// Where one item of an element's payload goes: a text into a string list, a bitmap file
// into an image, or region data into a byte buffer.
using SkinItem = std::variant<QStringList*, QImage*, QByteArray*>;

// Reads one element payload (a sized block) at the stream's current position and its
// items, in order, into `items`. A payload of length 0 or less changes nothing. The
// stream is left just after the payload whatever the items used; bytes after the last
// item are ignored. Items read before a failing one keep their new content.
SkinReadResult readElementPayload(QIODevice& stream, std::initializer_list<SkinItem> items);

} // namespace kaldoria::skin
