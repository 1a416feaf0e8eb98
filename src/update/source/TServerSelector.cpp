#include "update/source/TServerSelector.h"

#include "net/HttpClient.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

namespace kaldoria::update {

QString TServerSelector::CheckUpdateServers(QStringList& servers, const Options& options) {
    if (servers.isEmpty())
        return QString();
    const QString first = servers.first();
    if (servers.size() < 2)
        return first;

    net::HttpClient client;
    client.setCancelToken(options.cancel);
    QString best;
    qint64 bestTime = -1;
    qsizetype i = 0;
    while (i < servers.size()) {
        if (options.cancel.isCancelled())
            return QString();
        QString address = servers.at(i).trimmed();
        if (address.isEmpty()) {
            ++i;
            continue;
        }
        if (!address.endsWith(QLatin1Char('\\')))
            address += QLatin1Char('\\');
        QElapsedTimer timer;
        timer.start();
        const net::HttpResult result = client.probe(address + QStringLiteral("updater.lst.kdz"), options.probeTimeout);
        const qint64 elapsed = timer.elapsed();
        // A probe given up by the cancel says nothing about the server.
        if (options.cancel.isCancelled())
            return QString();
        if (!result.ok()) {
            servers.removeAt(i);
            continue;
        }
        if (bestTime < 0 || elapsed < bestTime) {
            best = servers.at(i);
            bestTime = elapsed;
        }
        ++i;
    }

    if (servers.isEmpty())
        return first;
    QString chosen = first;
    if (options.usePing)
        chosen = best;
    else if (options.randomSelect)
        chosen = servers.at(QRandomGenerator::global()->bounded(servers.size()));
    else
        return first;
    if (options.log)
        options.log(QStringLiteral("Selected server: ") + chosen);
    return chosen;
}

QStringList TServerSelector::tryOrder(const QString& chosen, const QStringList& answered,
                                      const QStringList& configured) {
    QStringList order;
    const auto add = [&order](const QString& address) {
        if (!address.trimmed().isEmpty() && !order.contains(address))
            order.append(address);
    };
    add(chosen);
    for (const QString& address : answered)
        add(address);
    for (const QString& address : configured)
        add(address);
    return order;
}

} // namespace kaldoria::update
