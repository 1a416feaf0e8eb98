#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>

class QLabel;

namespace kaldoria::mainwindow {

// How the message panel looks: the text in the skin's label font and colour on a shade of
// the window's own background, so that a message reads like part of the skin.
struct MessageStyle {
    QFont font;
    QColor text{236, 222, 186};
    QColor background{20, 24, 40};
    // The stripe that marks a message about something that went wrong.
    QColor errorAccent{214, 72, 56};

    // The style of `label` (a skinned status label) over the part `area` of the window's
    // background image: the background's mean colour there, pushed away from the text's
    // lightness so that the text stays readable on any skin.
    static MessageStyle fromSkin(const QLabel& label, const QImage& background, const QRect& area);
};

} // namespace kaldoria::mainwindow
