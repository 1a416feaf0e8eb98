#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kaldoria::platform {

// One running launcher per instance name. The first start listens on a local socket
// named after the instance; a later start finds it, asks it to come forward and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& instanceName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one running copy; false when another copy runs
    // (it has then been asked to raise its window).
    bool claim();

    // Asks the running copy, if any, to raise its window; true when one was reached.
    bool askRunningCopyToRaise() const;

    // The local socket name used for `instanceName` by the current user.
    static QString socketName(const QString& instanceName);

Q_SIGNALS:
    // A later start asked this copy to bring its window to the user.
    void raiseRequested();

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace kaldoria::platform
