#include "SkinParameterCheck.h"

#include "platform/TextCodec.h"

namespace kaldoria::pack {

using platform::TextCodec;

QStringList checkSkinParameters(const QString& file, const QByteArray& text, const QStringList& known) {
    QStringList warnings;
    const QStringList lines = TextCodec::decodeLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = TextCodec::trimControls(lines[i]);
        if (line.isEmpty())
            continue;
        const QString where = u"%1 line %2: "_qs.arg(file, QString::number(i + 1));
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            warnings << where + u"'%1' is not a Name=value line; the launcher ignores it"_qs.arg(line);
            continue;
        }
        const QString name = TextCodec::trimControls(line.left(eq));
        if (!known.contains(name))
            warnings << where + u"unknown parameter '%1'; the launcher ignores it (known here: %2)"_qs.arg(
                                    name, known.join(u", "));
    }
    return warnings;
}

} // namespace kaldoria::pack
