#pragma once

#include "download/DownloadFailure.h"
#include "trust/Sha256.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <vector>

namespace kaldoria::download {

// One file to fetch: its address and the local file that receives it (created or emptied).
struct FetchJob {
    quint64 id = 0;
    QString url;
    QString path;
    // The same file on other servers, which share its ranges with the server of `url`. The
    // engine numbers servers by place: `url`'s is server 0, `mirrors[k]`'s server k + 1, so
    // every job lists the servers in the same order.
    QStringList mirrors{};

    int servers() const { return 1 + int(mirrors.size()); }
    const QString& address(int server) const { return server == 0 ? url : mirrors.at(server - 1); }
    // A file fetched in several ranges keeps a control file beside its target (see
    // ResumeRecord) while it arrives, and a fetch that is stopped or fails on the way keeps
    // its target, so that a later fetch into the same path takes up where it ended, from
    // whichever server, when that server's validator of the file is the one recorded.
    bool resumable = false;
    // One of many small files (chunks of a patch): each costs a round trip more than its bytes,
    // so more of them are in flight at once (FetchOptions::smallFileConnections).
    bool small = false;
};

// Which digest the engine computes of each file it fetches.
enum class FileDigest { Md5, Sha256 };

// How a fetch ended. On success the target holds the file and the digest the options ask for
// is set: `md5` (raw) or `sha256`; on failure the target has been removed.
struct FetchOutcome {
    quint64 id = 0;
    DownloadFailure failure;
    QByteArray md5;
    std::optional<trust::Sha256Digest> sha256;
    qint64 length = 0;
    // The bytes of the file that each server sent, by server number (see FetchJob).
    std::vector<qint64> bytesFrom{};

    bool ok() const { return failure.kind == DownloadFailure::Kind::None; }
};

struct FetchOptions {
    // Transfers at the same time, over as many kept-alive connections (fewer over HTTP/2,
    // whose streams share one connection).
    int connections = 6;
    // Over HTTPS, transfers at the same time per connection: an HTTP/2 server carries them as
    // streams of one connection; over HTTP/1.1 the extra ones wait for a free connection.
    int streamsPerConnection = 8;
    // Transfers at the same time towards one server while they are of small files: enough to
    // keep a link of a few tens of milliseconds' round trip busy with requests of tens of KiB.
    int smallFileConnections = 24;
    // A transfer that receives no byte for this long is cut and its range asked for again.
    std::chrono::milliseconds stallTime{20000};
    // The first request of a file asks for this many bytes and learns the file's length from
    // the answer; a longer file is fetched in further ranges of this size on every free
    // connection.
    qint64 rangeBytes = qint64(8) * 1024 * 1024;
    // Attempts of one range (or of a file the server sends only whole) before the file fails.
    int attemptsPerRange = 3;
    // The throughput watchdog: a transfer that has received bytes for `slowGrace` and then,
    // over the last `slowWindow`, got less than `slowRate` bytes/s, or less than `slowShare`
    // of the best rate a transfer got lately, is cut. Its range keeps what arrived and the rest
    // is asked for again on a new connection; such a cut is not one of the range's attempts.
    // A transfer that receives nothing at all is left to the stall time above.
    qint64 slowRate = 256;
    double slowShare = 0.02;
    std::chrono::milliseconds slowGrace{2000};
    std::chrono::milliseconds slowWindow{3000};
    // With no range and no file left to start, a free connection takes the second half of the
    // running range with the most bytes still to come, when that is more than this.
    qint64 stealBytes = qint64(1) * 1024 * 1024;
    // How often a file's received byte count is reported while it grows.
    std::chrono::milliseconds progressInterval{100};
    // The digest of each file computed while it arrives: MD5, the list's check, or SHA-256
    // for a signed update, whose signed digest is the stronger check and replaces it.
    FileDigest digest = FileDigest::Md5;
    // Bytes per second that all transfers of the engine receive together; 0 for no limit.
    qint64 maxBytesPerSecond = 0;
};

} // namespace kaldoria::download
