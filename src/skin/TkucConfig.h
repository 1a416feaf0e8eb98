#pragma once

#include "skin/SkinReadResult.h"
#include "skin/TkucConfigWindow.h"
#include "skin/TkucMainWindow.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

namespace kaldoria::skin {

// The skins of both windows, plus the text that follows them in a skin file.
class TkucConfig {
public:
    TkucMainWindow MainWindow;
    TkucConfigWindow ConfigWindow;
    QStringList CfgParameters;

    // Reads a whole file laid out like the decoded configuration stream.
    SkinReadResult LoadFromFile(const QString& filename);

    // The same from bytes in memory: the main-window block, the settings-window block,
    // then everything after them, decoded as text, replaces CfgParameters. Stops at the
    // first error, keeping what was read before it.
    SkinReadResult LoadFromData(const QByteArray& data);

    // Reads the two window blocks from the stream's current position, stopping at the
    // first error; the stream is left where the second reader stopped.
    SkinReadResult LoadWindows(QIODevice& stream);
};

} // namespace kaldoria::skin
