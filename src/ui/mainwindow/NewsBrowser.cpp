#include "ui/mainwindow/NewsBrowser.h"

#include <QDesktopServices>
#include <QEvent>

namespace kaldoria::mainwindow {

NewsBrowser::NewsBrowser(QWidget* parent)
    : QWidget(parent), m_openExternal([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    if (parent)
        parent->installEventFilter(this);
}

QRect NewsBrowser::shownArea() const {
    const QWidget* parent = parentWidget();
    if (!parent)
        return rect();
    return rect().intersected(QRect(mapFromParent(QPoint(0, 0)), parent->size()));
}

void NewsBrowser::setPageView(QWidget* view) {
    m_pageView = view;
    placePageView();
}

void NewsBrowser::placePageView() {
    if (m_pageView)
        m_pageView->setGeometry(shownArea());
}

void NewsBrowser::resizeEvent(QResizeEvent* event) {
    placePageView();
    QWidget::resizeEvent(event);
}

void NewsBrowser::moveEvent(QMoveEvent* event) {
    placePageView();
    QWidget::moveEvent(event);
}

bool NewsBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        placePageView();
    return QWidget::eventFilter(watched, event);
}

bool NewsBrowser::BeforeNavigate(const QUrl& url) {
    const QString target = url.toString().toLower();
    if (target == m_newsUrl.toLower() || target == QUrl(m_newsUrl).toString().toLower())
        return true;
    m_openExternal(url);
    return false;
}

} // namespace kaldoria::mainwindow
