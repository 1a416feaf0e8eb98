#include "ui/controls/ColorValue.h"

#include <optional>

namespace kaldoria::controls {

namespace {

// The palette role standing in for each system colour index (COLOR_SCROLLBAR = 0 to
// COLOR_MENUBAR = 30); index 25 is unused by the system.
std::optional<QPalette::ColorRole> roleOfSystemColor(quint32 index) {
    using R = QPalette::ColorRole;
    static constexpr std::optional<R> kRoles[] = {
        R::Button,          // 0 scroll bar
        R::Dark,            // 1 desktop
        R::Highlight,       // 2 active caption
        R::Mid,             // 3 inactive caption
        R::Window,          // 4 menu
        R::Base,            // 5 window
        R::Shadow,          // 6 window frame
        R::WindowText,      // 7 menu text
        R::Text,            // 8 window text
        R::HighlightedText, // 9 caption text
        R::Window,          // 10 active border
        R::Window,          // 11 inactive border
        R::Mid,             // 12 application workspace
        R::Highlight,       // 13 highlight
        R::HighlightedText, // 14 highlighted text
        R::Button,          // 15 button face
        R::Dark,            // 16 button shadow
        R::PlaceholderText, // 17 grey text
        R::ButtonText,      // 18 button text
        R::WindowText,      // 19 inactive caption text
        R::Light,           // 20 button highlight
        R::Shadow,          // 21 3D dark shadow
        R::Midlight,        // 22 3D light
        R::ToolTipText,     // 23 info text
        R::ToolTipBase,     // 24 info background
        std::nullopt,       // 25 unused
        R::Link,            // 26 hot light
        R::Highlight,       // 27 gradient active caption
        R::Mid,             // 28 gradient inactive caption
        R::Highlight,       // 29 menu highlight
        R::Window,          // 30 menu bar
    };
    if (index >= std::size(kRoles))
        return std::nullopt;
    return kRoles[index];
}

} // namespace

QColor rgbOfValue(ColorValue value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QColor colorFromValue(ColorValue value, const QPalette& palette) {
    if ((value >> 24) != 0xFF)
        return rgbOfValue(value);
    const std::optional<QPalette::ColorRole> role = roleOfSystemColor(value & 0xFF);
    if (!role)
        return QColor(Qt::black);
    return palette.color(QPalette::Active, *role);
}

} // namespace kaldoria::controls
