#include "ui/mainwindow/TextNewsBrowser.h"

#include <QNetworkReply>
#include <QTextDocument>

namespace kaldoria::mainwindow {

TextNewsBrowser::TextNewsBrowser(QWidget* parent) : NewsBrowser(parent), m_view(new QTextBrowser(this)) {
    m_view->setOpenLinks(false);
    m_view->setFrameShape(QFrame::NoFrame);
    setPageView(m_view);
    connect(m_view, &QTextBrowser::anchorClicked, this, &TextNewsBrowser::linkClicked);
    connect(&m_network, &QNetworkAccessManager::finished, this, &TextNewsBrowser::loaded);
}

void TextNewsBrowser::navigate(const QString& url) {
    if (m_pending)
        m_pending->abort();
    if (!BeforeNavigate(QUrl(url)))
        return;
    m_pending = m_network.get(QNetworkRequest(QUrl(url)));
}

void TextNewsBrowser::linkClicked(const QUrl& url) {
    const QUrl target = QUrl(m_view->document()->metaInformation(QTextDocument::DocumentUrl)).resolved(url);
    if (BeforeNavigate(target))
        navigate(target.toString());
}

void TextNewsBrowser::loaded(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        Q_EMIT navigateError();
        return;
    }
    m_view->setHtml(QString::fromUtf8(reply->readAll()));
    m_view->document()->setMetaInformation(QTextDocument::DocumentUrl, reply->url().toString());
    Q_EMIT navigateComplete();
}

} // namespace kaldoria::mainwindow
