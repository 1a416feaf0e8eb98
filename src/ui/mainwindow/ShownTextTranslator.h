#pragma once

#include "startup/InterfaceTexts.h"

#include <QString>

#include <array>

namespace kaldoria::mainwindow {

// Carries a status line already on screen over into a newly applied language. It keeps the
// texts of the language the line was written in; a line made of one of the status texts
// (whole, as a prefix before a file name or a percentage, or with its "%1" and "%2" filled
// in) is written again from the same text of the current language.
class ShownTextTranslator {
public:
    // Takes the current interface texts as the ones the shown lines are written in.
    void remember() { m_previous = startup::InterfaceTexts; }

    // `shown` in the current language; unchanged when no status text made it.
    QString translate(const QString& shown) const;

private:
    std::array<QString, 101> m_previous;
};

} // namespace kaldoria::mainwindow
