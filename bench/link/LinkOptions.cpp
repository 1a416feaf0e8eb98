#include "LinkOptions.h"

#include <arpa/inet.h>

#include <charconv>
#include <string_view>

namespace kaldoria::bench {

namespace {

bool parseAddress(std::string_view text, sockaddr_in& address) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string host(text.substr(0, colon));
    const std::string_view port = text.substr(colon + 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error != std::errc() || end != port.data() + port.size() || value > 65535)
        return false;
    address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(value));
    return inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1;
}

// A positive number with an optional decimal suffix k, M or G (25M is 25,000,000).
bool parseRate(std::string_view text, double& rate) {
    double scale = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 'k':
        case 'K':
            scale = 1e3;
            break;
        case 'm':
        case 'M':
            scale = 1e6;
            break;
        case 'g':
        case 'G':
            scale = 1e9;
            break;
        default:
            break;
        }
        if (scale != 1)
            text.remove_suffix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    rate = value * scale;
    return error == std::errc() && end == text.data() + text.size() && rate > 0;
}

bool parseCount(std::string_view text, std::uint64_t& count) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count > 0;
}

bool parseMilliseconds(std::string_view text, std::int64_t& nanoseconds) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    nanoseconds = static_cast<std::int64_t>(value * 1e6);
    return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

} // namespace

std::optional<LinkOptions> parseLinkOptions(int argc, char** argv, std::string& error) {
    LinkOptions options;
    bool haveListen = false;
    bool haveUpstream = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc) {
            error = "missing value after " + std::string(name);
            return std::nullopt;
        }
        const std::string_view value = argv[++i];
        bool valid = true;
        if (name == "--listen")
            valid = haveListen = parseAddress(value, options.listen);
        else if (name == "--upstream")
            valid = haveUpstream = parseAddress(value, options.upstream);
        else if (name == "--rtt-ms")
            valid = parseMilliseconds(value, options.rttNs);
        else if (name == "--rate")
            valid = parseRate(value, options.bytesPerSecond);
        else if (name == "--count")
            options.countFile = value;
        else if (name == "--slow-connection")
            valid = parseCount(value, options.slowConnection);
        else if (name == "--slow-rate")
            valid = parseRate(value, options.slowBytesPerSecond);
        else {
            error = "unknown option " + std::string(name);
            return std::nullopt;
        }
        if (!valid) {
            error = "bad value for " + std::string(name) + ": " + std::string(value);
            return std::nullopt;
        }
    }
    if (!haveListen || !haveUpstream || options.bytesPerSecond <= 0) {
        error = "--listen, --upstream and --rate are required";
        return std::nullopt;
    }
    if ((options.slowConnection > 0) != (options.slowBytesPerSecond > 0)) {
        error = "--slow-connection and --slow-rate go together";
        return std::nullopt;
    }
    return options;
}

} // namespace kaldoria::bench
