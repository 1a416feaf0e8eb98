#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kaldoria::pack {

// Warnings about a configuration text before it is packed: every update server address
// ("url" in section "updateservers") that does not end with "/". The launcher adds the
// "/" itself, but the operator should know that the text does not say what is served.
// Each warning names `file` and the line.
QStringList checkConfigText(const QString& file, const QByteArray& text);

} // namespace kaldoria::pack
