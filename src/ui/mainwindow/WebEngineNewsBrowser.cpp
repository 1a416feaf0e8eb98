#include "ui/mainwindow/WebEngineNewsBrowser.h"

#include "platform/ProcessUser.h"

#include <QCoreApplication>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace kaldoria::mainwindow {

namespace {

// Asks the browser before every navigation of the main frame. A page opened for a new
// window only hands its first address to the browser's check (which sends it outside)
// and is then dropped.
class NewsPage : public QWebEnginePage {
public:
    NewsPage(NewsBrowser& browser, bool forNewWindow, QObject* parent)
        : QWebEnginePage(parent), m_browser(browser), m_forNewWindow(forNewWindow) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (m_forNewWindow) {
            m_browser.BeforeNavigate(url);
            deleteLater();
            return false;
        }
        return !isMainFrame || m_browser.BeforeNavigate(url);
    }

    QWebEnginePage* createWindow(WebWindowType) override { return new NewsPage(m_browser, true, &m_browser); }

private:
    NewsBrowser& m_browser;
    bool m_forNewWindow;
};

} // namespace

WebEngineNewsBrowser::WebEngineNewsBrowser(QWidget* parent) : NewsBrowser(parent), m_view(new QWebEngineView(this)) {
    m_view->setPage(new NewsPage(*this, false, m_view));
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    setPageView(m_view);
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (ok)
            Q_EMIT navigateComplete();
        else
            Q_EMIT navigateError();
    });
}

void WebEngineNewsBrowser::navigate(const QString& url) {
    m_view->load(QUrl(url));
}

NewsBrowser* NewsBrowser::create(QWidget* parent) {
    return new WebEngineNewsBrowser(parent);
}

void NewsBrowser::prepareProcess() {
    // The web engine shares its drawing context with the window toolkit, and its sandbox
    // refuses to run with the administrator's rights; it is switched off only then, the
    // way Qt documents it.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (platform::runsAsAdministrator() && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

} // namespace kaldoria::mainwindow
