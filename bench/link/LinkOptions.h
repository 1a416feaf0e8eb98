#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kaldoria::bench {

// What the link emulator is asked to do: where it listens, where it forwards, and the
// round-trip time and shared downstream rate it imposes; optionally one connection, the
// `slowConnection`-th accepted (from 1), gets a tiny rate of its own instead.
struct LinkOptions {
    sockaddr_in listen{};
    sockaddr_in upstream{};
    std::int64_t rttNs = 0;
    double bytesPerSecond = 0;
    std::string countFile;
    std::uint64_t slowConnection = 0; // 0: none
    double slowBytesPerSecond = 0;
};

// The options of a command line, or nullopt with a message in `error`.
std::optional<LinkOptions> parseLinkOptions(int argc, char** argv, std::string& error);

} // namespace kaldoria::bench
