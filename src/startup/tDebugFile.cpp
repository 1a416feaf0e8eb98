#include "startup/tDebugFile.h"

#include "platform/TextCodec.h"

#include <QFile>
#include <QTextStream>

namespace kaldoria::startup {

tDebugFile::tDebugFile(const QString& value) : filename(value) {}

tDebugFile::~tDebugFile() {
    if (enabled && !filename.isEmpty())
        save();
}

void tDebugFile::WriteErr(const QString& str) {
    if (!enabled)
        return;
    ts.append(str);
    if (!filename.isEmpty())
        save();
}

void tDebugFile::save() {
    QFile file(filename);
    const QByteArray bytes = platform::TextCodec::encodeLines(ts);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
        return;
    // A log that cannot be written must not stop the launcher; say so once.
    if (!m_reportedWriteFailure) {
        m_reportedWriteFailure = true;
        QTextStream(stderr) << "Kaldoria: cannot write the debug log " << filename << ": " << file.errorString()
                            << "\n";
    }
}

} // namespace kaldoria::startup
