#include "ui/mainwindow/NewsBrowser.h"

#include <QDesktopServices>

namespace kaldoria::mainwindow {

NewsBrowser::NewsBrowser(QWidget* parent)
    : QWidget(parent), m_openExternal([](const QUrl& url) { QDesktopServices::openUrl(url); }) {}

bool NewsBrowser::BeforeNavigate(const QUrl& url) {
    const QString target = url.toString().toLower();
    if (target == m_newsUrl.toLower() || target == QUrl(m_newsUrl).toString().toLower())
        return true;
    m_openExternal(url);
    return false;
}

} // namespace kaldoria::mainwindow
