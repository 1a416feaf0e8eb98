#include "download/ServerPool.h"

#include <gtest/gtest.h>

namespace kaldoria::download {

namespace {

DownloadFailure status(int code) {
    DownloadFailure failure;
    failure.kind = DownloadFailure::Kind::HttpStatus;
    failure.httpStatus = code;
    return failure;
}

DownloadFailure ofKind(DownloadFailure::Kind kind) {
    DownloadFailure failure;
    failure.kind = kind;
    return failure;
}

DownloadFailure refused() {
    return ofKind(DownloadFailure::Kind::Connect);
}

} // namespace

// A server drops out at once when it cannot be reached or fails as a server, and after broken
// transfers only when they come in a row.
TEST(ServerPoolTest, FailuresThatDropAServer) {
    const DownloadFailure broken = DownloadFailure::transfer(QStringLiteral("reset"));
    struct Case {
        const char* name;
        std::vector<DownloadFailure> failures; // a default failure stands for a finished range
        bool dropped;
    };
    const Case cases[] = {
        {"refused connect", {refused()}, true},
        {"untrusted certificate", {ofKind(DownloadFailure::Kind::Certificate)}, true},
        {"5xx", {status(503)}, true},
        {"broken transfers in a row", {broken, broken, broken}, true},
        {"broken transfers with a finished range between", {broken, broken, {}, broken, broken}, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ServerPool pool;
        pool.reserve(2);
        for (const DownloadFailure& failure : test.failures) {
            if (failure.kind == DownloadFailure::Kind::None)
                pool.succeeded(1);
            else
                pool.failed(1, failure);
        }
        EXPECT_EQ(!pool.live(1), test.dropped);
        EXPECT_TRUE(pool.live(0));
    }
}

// The next range goes to a live server with room, the fastest measured one first; a server not
// measured yet counts as fast as the best, and among equals the least busy wins.
TEST(ServerPoolTest, ChoosesTheFastestLiveServerWithRoom) {
    using namespace std::chrono_literals;
    const ServerPool::Clock::time_point t0{};
    ServerPool pool;
    pool.reserve(3);
    const auto all = [](int) { return true; };
    const auto room = [](int, int running) { return running < 2; };
    EXPECT_EQ(pool.choose(3, all, room, t0), 0);
    pool.started(0, t0);
    EXPECT_EQ(pool.choose(3, all, room, t0), 1) << "the least busy among the unmeasured";

    // Server 1 delivers 1 MB in one second, server 2 10 MB.
    pool.started(1, t0);
    pool.ended(1, 1000000, t0 + 1s);
    pool.started(2, t0);
    pool.ended(2, 10000000, t0 + 1s);
    EXPECT_EQ(pool.choose(3, all, room, t0 + 1s), 2);
    EXPECT_EQ(pool.choose(
                  3, [](int server) { return server != 2; }, room, t0 + 1s),
              0)
        << "server 0 is not measured yet: it counts as fast as the best";
    pool.started(2, t0 + 1s);
    pool.started(2, t0 + 1s);
    EXPECT_EQ(pool.choose(3, all, room, t0 + 1s), 0) << "server 2 is full";
    pool.failed(0, refused());
    EXPECT_EQ(pool.choose(3, all, room, t0 + 1s), 1) << "server 0 dropped out";
    EXPECT_EQ(pool.choose(1, all, room, t0 + 1s), -1) << "the file has no other server";
}

} // namespace kaldoria::download
