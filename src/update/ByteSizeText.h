#pragma once

#include <QString>

namespace kaldoria::update {

// A byte count as a person reads it: "512 B", "12.0 MiB", "1.5 GiB".
QString byteSizeText(double bytes);

} // namespace kaldoria::update
