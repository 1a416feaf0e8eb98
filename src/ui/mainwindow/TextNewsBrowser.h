#pragma once

#include "ui/mainwindow/NewsBrowser.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QTextBrowser>

class QNetworkReply;

namespace kaldoria::mainwindow {

// The news panel without a web engine: the page is fetched over HTTP and shown as rich
// text (no scripts, no remote images); links leave through BeforeNavigate.
class TextNewsBrowser : public NewsBrowser {
    Q_OBJECT
public:
    explicit TextNewsBrowser(QWidget* parent = nullptr);

    void navigate(const QString& url) override;

private:
    void linkClicked(const QUrl& url);
    void loaded(QNetworkReply* reply);

    QTextBrowser* m_view;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_pending;
};

} // namespace kaldoria::mainwindow
