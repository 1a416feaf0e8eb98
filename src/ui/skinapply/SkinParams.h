#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::skin {

// Lookups in an element's parameter list, whose entries read Name=Value. Entries and
// their two halves are stripped of blanks and control characters at both ends; names
// match exactly, case included; the first matching entry wins.

// The value text, or an empty text when no entry matches.
QString GetParamText(const QStringList& list, const QString& name);

// The value read as an integer ("$10", "0x10" and "x10" are 16); 0 when absent or when
// the value is not a number as a whole.
qint64 GetParamInt(const QStringList& list, const QString& name);

// True exactly when the value is "true".
bool GetParamBool(const QStringList& list, const QString& name);

// The low 32 bits of an integer parameter, the part a control receives.
inline qint32 lowBits(qint64 value) {
    return qint32(quint32(quint64(value)));
}

} // namespace kaldoria::skin
