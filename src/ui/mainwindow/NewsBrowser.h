#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace kaldoria::mainwindow {

// The embedded browser of the news panel. Only the news page is shown inside: any other
// address it is asked to show is opened in the system's browser and the navigation is
// cancelled. It reports the end of each page load as complete or failed. The browser may be
// larger than its parent; the page is laid out only over the part that the parent shows.
class NewsBrowser : public QWidget {
    Q_OBJECT
public:
    using Factory = std::function<NewsBrowser*(QWidget* parent)>;

    explicit NewsBrowser(QWidget* parent = nullptr);

    // Starts loading `url`; navigateComplete or navigateError follows.
    virtual void navigate(const QString& url) = 0;

    // The one address shown inside.
    void setNewsUrl(const QString& url) { m_newsUrl = url; }

    // True when a navigation to `url` may go on inside; otherwise `url` has been handed to
    // the system's browser and the navigation must be cancelled. Addresses are compared
    // as whole texts without regard to case.
    bool BeforeNavigate(const QUrl& url);

    // Where addresses that leave the news page go (the system's browser by default).
    void setExternalOpener(std::function<void(const QUrl&)> open) { m_openExternal = std::move(open); }

    // The browser this build uses: the web engine when it was available, else the plain
    // HTML view.
    static NewsBrowser* create(QWidget* parent);
    // What the browser needs before the application object exists.
    static void prepareProcess();

    // The part of the browser that its parent shows, in the browser's own coordinates.
    QRect shownArea() const;

Q_SIGNALS:
    void navigateComplete();
    void navigateError();

protected:
    // Makes `view` the one that shows the page; it follows the shown area.
    void setPageView(QWidget* view);
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placePageView();

    QWidget* m_pageView = nullptr;
    QString m_newsUrl;
    std::function<void(const QUrl&)> m_openExternal;
};

} // namespace kaldoria::mainwindow
