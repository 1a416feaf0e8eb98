#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>

namespace kaldoria::testsupport {

// A command line from plain literals: args({"--fault", "cut-mid"}).
inline QStringList args(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

} // namespace kaldoria::testsupport
