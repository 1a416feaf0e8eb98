// kaldoria-link-emulator: a TCP proxy on loopback that adds a round-trip time and a shared
// downstream rate, so the update workflow can be measured as over a real link.
//
//   kaldoria-link-emulator --listen 127.0.0.1:0 --upstream 127.0.0.1:PORT --rtt-ms 40 --rate 25M [--count FILE]
//                          [--slow-connection N --slow-rate 1k]
//
// Prints "PORT <n>" on its first line once it listens, then forwards until it is ended.
// --rate is in bytes per second with an optional decimal suffix (k, M, G); --count appends
// one line per connection (bytes each way, seconds open, "closed" when both
// sides ended their streams or "reset" when a side reset it or failed). --slow-connection N
// --slow-rate RATE give the N-th accepted connection (from 1) a rate of its own, outside the
// shared one: a connection a bad route or an overloaded server slows down.

#include "LinkEmulator.h"
#include "LinkOptions.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    std::string error;
    const std::optional<kaldoria::bench::LinkOptions> options = kaldoria::bench::parseLinkOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr,
                     "kaldoria-link-emulator: %s\nusage: kaldoria-link-emulator --listen ADDR:PORT --upstream "
                     "ADDR:PORT --rtt-ms MS --rate BYTES_PER_SECOND [--count FILE] [--slow-connection N --slow-rate "
                     "BYTES_PER_SECOND]\n",
                     error.c_str());
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    kaldoria::bench::LinkEmulator emulator(*options);
    const std::optional<int> port = emulator.listen(error);
    if (!port) {
        std::fprintf(stderr, "kaldoria-link-emulator: %s\n", error.c_str());
        return 1;
    }
    std::printf("PORT %d\n", *port);
    std::fflush(stdout);
    return emulator.run();
}
