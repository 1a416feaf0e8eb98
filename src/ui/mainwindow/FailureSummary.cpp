#include "ui/mainwindow/FailureSummary.h"

#include "update/FailureTexts.h"

namespace kaldoria::mainwindow {

void FailureSummary::add(const QString& name) {
    if (!m_names.contains(name))
        m_names << name;
}

QString FailureSummary::countText(const QString& configured) const {
    return update::FailureTexts::filesFailed(configured, count());
}

QString FailureSummary::message(const QString& configured) const {
    QString names = m_names.mid(0, kNamesShown).join(QStringLiteral(", "));
    if (count() > kNamesShown)
        names += QStringLiteral(", \u2026");
    return countText(configured) + QLatin1Char('\n') + names;
}

} // namespace kaldoria::mainwindow
