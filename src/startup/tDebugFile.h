#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::startup {

// The debug log: an append-only list of lines, rewritten whole to its file after every
// line while enabled, so the file always holds everything written so far. When disabled,
// writing does nothing, so callers never test the switch themselves.
class tDebugFile {
public:
    QString filename; // empty: no file is ever written
    QStringList ts;   // every line written so far, in order
    bool enabled = false;

    explicit tDebugFile(const QString& value);
    ~tDebugFile();
    tDebugFile(const tDebugFile&) = delete;
    tDebugFile& operator=(const tDebugFile&) = delete;

    // Appends `str` as one line and rewrites the file, when enabled.
    void WriteErr(const QString& str);

private:
    void save();

    bool m_reportedWriteFailure = false;
};

} // namespace kaldoria::startup
