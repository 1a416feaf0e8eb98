#pragma once

#include <QString>

#include <optional>

namespace kaldoria::pack::demoskin {

// Writes the demo skin into `dir` as a skin folder: dir/MainWindow/<element>/ and
// dir/ConfigWindow/<element>/, each holding the element's files (parameters.txt,
// btn_script.txt, *.bmp, region.rgn). Returns a message when something could not be written.
std::optional<QString> writeDemoSkin(const QString& dir);

} // namespace kaldoria::pack::demoskin
