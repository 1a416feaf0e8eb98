#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::platform {

// Names of client files as the server's lists write them: relative to the client folder,
// "\" (or "/") between folders, usually with one leading "\". This class keeps every such
// name inside the client folder and finds the file it means on this file system.
class ClientPath {
public:
    // True when `name` stays inside the client folder: not empty, not a network or
    // absolute path ("\\host", "/etc"), no drive or stream (":"), no control character,
    // no ".." component, and not ending in "." (which names a folder).
    static bool isConfined(const QString& name);

    // The folder components of `name`, without empty ones.
    static QStringList components(const QString& name);

    // The native path of `name` below `root`. Each component that exists on disk is found
    // whatever its letter case, so a list name finds its file on a case-sensitive system;
    // components that do not exist are used as written.
    static QString resolve(const QString& root, const QString& name);
};

} // namespace kaldoria::platform
