#include "ui/skinapply/RateLimitRow.h"

namespace kaldoria::skin {

void placeRateLimitRow(const ConfigWindowControls& c) {
    if (!c.Text_RateLimit || !c.Box_RateLimit || !c.Text_CheckType || !c.Box_CheckType || !c.Box_DriveType)
        return;
    const int step = c.Box_CheckType->y() - c.Box_DriveType->y();
    const QRect field = c.Box_CheckType->geometry().translated(0, step);
    const QRect label = c.Text_CheckType->geometry().translated(0, step);
    c.Box_RateLimit->setGeometry(field);
    c.Box_RateLimit->setFont(c.Box_CheckType->font());
    c.Text_RateLimit->setGeometry(label);
    c.Text_RateLimit->setFont(c.Text_CheckType->font());
    c.Text_RateLimit->setPalette(c.Text_CheckType->palette());
    c.Text_RateLimit->setAlignment(c.Text_CheckType->alignment());
    const QRect row = field.united(label);
    const QWidget* window = c.Box_RateLimit->parentWidget();
    const bool fits =
        step > 0 && window && window->rect().contains(row) && !(c.Button_Ok && c.Button_Ok->geometry().intersects(row));
    c.Box_RateLimit->setVisible(fits);
    c.Text_RateLimit->setVisible(fits);
}

} // namespace kaldoria::skin
