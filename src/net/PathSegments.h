#pragma once

#include <QString>

namespace kaldoria::net {

// A client-relative file name made fit for the path of an address: every segment is
// percent-encoded from its UTF-8 bytes, all but the unreserved characters A-Z a-z 0-9 - . _ ~
// written as "%XX" in upper case, and "\" or "/" between segments becomes "/". A name with a
// blank, "#", "?", "%" or "+" then reaches the server as the file's own name.
QString encodePathSegments(const QString& relativePath);

} // namespace kaldoria::net
