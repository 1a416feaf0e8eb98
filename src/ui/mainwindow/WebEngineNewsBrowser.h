#pragma once

#include "ui/mainwindow/NewsBrowser.h"

class QWebEngineView;

namespace kaldoria::mainwindow {

// The news panel on Qt WebEngine: the page as a browser shows it. Navigations of the main
// frame and new windows asked for by the page go through BeforeNavigate.
class WebEngineNewsBrowser : public NewsBrowser {
    Q_OBJECT
public:
    explicit WebEngineNewsBrowser(QWidget* parent = nullptr);

    void navigate(const QString& url) override;

private:
    QWebEngineView* m_view;
};

} // namespace kaldoria::mainwindow
