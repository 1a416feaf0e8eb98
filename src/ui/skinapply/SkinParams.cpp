#include "ui/skinapply/SkinParams.h"

#include "platform/IntegerText.h"
#include "platform/TextCodec.h"

namespace kaldoria::skin {

using platform::TextCodec;

QString GetParamText(const QStringList& list, const QString& name) {
    for (const QString& entry : list) {
        const QString line = TextCodec::trimControls(entry);
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue; // no "=": the key is empty and never matches
        if (TextCodec::trimControls(line.left(eq)) == name)
            return TextCodec::trimControls(line.mid(eq + 1));
    }
    return QString();
}

qint64 GetParamInt(const QStringList& list, const QString& name) {
    const QString text = GetParamText(list, name);
    return text.isEmpty() ? 0 : platform::integer64Or0(text);
}

bool GetParamBool(const QStringList& list, const QString& name) {
    return GetParamText(list, name) == QLatin1String("true");
}

} // namespace kaldoria::skin
