#pragma once

#include "download/FetchJob.h"
#include "download/ServerPool.h"

#include <functional>
#include <memory>

namespace kaldoria::download {

// Fetches files over HTTP and HTTPS on a thread of its own, keeping up to a number of
// transfers busy across files over connections that stay open between requests. A file's
// first request asks for its first range and learns the file's length from the answer; a
// small file therefore costs one request, a large one goes on in further ranges on every
// free connection. A server that ignores ranges sends the file whole. A broken, stalled or
// short transfer is asked for again from where it stopped; a file fails when one of its
// ranges failed on every attempt, or at once on an answer that cannot heal (a 4xx status, a
// full disk). With a rate limit, the transfers share one budget of bytes per second and take
// turns when it is spent.
//
// A job may name the same file on several servers: every server takes part, each with up to
// the configured connections, and a free connection takes the next range on the server that
// delivered fastest so far. A server that fails (a refused connect, a 5xx status, broken
// transfers in a row) is dropped for the rest of the engine's life; a range that failed on one
// server goes to another without counting as one of its attempts, until the file has no other
// server left.
//
// A resumable file (FetchJob::resumable) whose control file fits its target fetches only the
// bytes an earlier fetch did not leave, asking for them on the condition that the server's
// validator is unchanged; a server whose file changed is fetched from the start. Its digest
// covers the bytes it found as well as the new ones.
//
// Files start in the order they were handed over; a file's remaining ranges go before the
// next file. The handlers run on the engine's thread.
class FetchEngine {
public:
    // A file's received bytes and its length (-1 while unknown).
    using ProgressHandler = std::function<void(quint64 id, qint64 received, qint64 length)>;
    // Called once per file, after its target is complete and closed, or removed.
    using DoneHandler = std::function<void(const FetchOutcome& outcome)>;
    // A resumable file takes up `present` bytes an earlier fetch left; 0 when the server's
    // file turned out changed and the file starts again from its beginning.
    using ResumeHandler = std::function<void(quint64 id, qint64 present)>;

    FetchEngine(FetchOptions options, ProgressHandler progress, DoneHandler done, ResumeHandler resumed = {});
    // stop().
    ~FetchEngine();

    FetchEngine(const FetchEngine&) = delete;
    FetchEngine& operator=(const FetchEngine&) = delete;

    // Queues a file; any thread.
    void fetch(FetchJob job);

    // Ends every transfer, removes the target of every file not done (a resumable one keeps
    // its target and its control file, brought up to date), forgets the queue and returns when
    // the engine's thread has ended; no handler runs afterwards. Any thread but the engine's
    // own.
    void stop();

    // What each server delivered so far, by server number (see FetchJob); any thread.
    std::vector<ServerTally> servers() const;

private:
    class Worker;
    std::unique_ptr<Worker> m_worker;
};

} // namespace kaldoria::download
