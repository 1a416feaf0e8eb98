#pragma once

#include <QString>

namespace kaldoria::pack {

// A list name ("\data\x.dat") as a path relative to the client folder ("data/x.dat"), which
// is also where its packed file lies below the server folder, plus ".kdz".
QString relativePath(const QString& listed);

} // namespace kaldoria::pack
