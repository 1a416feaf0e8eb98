#pragma once

#include "BadServer.h"
#include "LauncherFixture.h"

#include <QJsonObject>
#include <QMap>

#include <memory>

namespace kaldoria::hardening {

// A launcher in a client folder, an update server that misbehaves as each test scripts it,
// and a canary folder beside the client. Every run is checked for what must hold whatever
// the server did: nothing outside the client folder changed, and every record of
// "OldList.lst" names a client file whose digest is exactly the one recorded.
class HardeningFixture : public app::LauncherFixture {
protected:
    void SetUp() override;

    // Publishes `folder` into the server folder, starts the bad server on it with `rules`
    // and makes the client's launcher name that server.
    void serve(const testsupport::UpdateServerFolder& folder, const QJsonObject& rules = {},
               const BadServer::Tls& tls = {});

    // Runs the launcher headless in debug mode and checks the canary and "OldList.lst".
    Run runChecked(const QStringList& extra = {});

    // Runs the client's launcher headless under strace, which traces `calls` (only those on
    // `paths`, when any are given) into `trace` when `inject` is empty, or else kills it at the
    // call `inject` names. Returns what strace and the launcher printed.
    QByteArray straced(const QStringList& paths, const QString& calls, const QString& inject,
                       const QString& trace) const;

    // Contents of the folders outside the client (and the server): path -> digest or link target.
    QMap<QString, QString> outsideSnapshot() const;
    static std::string snapshotText(const QMap<QString, QString>& snapshot);
    // Checks every record of the client's "OldList.lst" (UTF-8, the launcher's code page
    // here) against the client file it names.
    void expectTruthfulOldList(const QString& client) const;
    // Names recorded in the client's "OldList.lst", lower case, "/" separated, no leading "/".
    QStringList oldListNames() const;

    QString canaryFile(const QString& relative) const { return m_canary + QLatin1Char('/') + relative; }

    // Files and links left in the client folder by an interrupted write ("*.tmp", "*.kdpart",
    // "*.part", "*.kaldoria-part", "$tmp.kdz"), relative to it.
    QStringList leftovers(const QString& client) const;

    static QString fileDigest(const QString& path);
    // Bytes that do not compress, the same for every run.
    static QByteArray noise(qsizetype size, quint32 seed = 1);
    // Two client files; "\system\data.pak" is large enough to be fetched in two segments.
    static testsupport::UpdateServerFolder clientFiles();
    static constexpr double kDate = 44270.5;

    QString m_canary;
    std::unique_ptr<BadServer> m_bad;
};

} // namespace kaldoria::hardening
