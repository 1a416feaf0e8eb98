#pragma once

#include <QtGlobal>

#include <functional>

namespace kaldoria::launch {

// A 32-bit millisecond tick counter. Elapsed time is the difference of two readings taken
// modulo 2^32, so a wait lasts the same whatever the counter's value, across its wrap-around.
class TickCounter {
public:
    using Source = std::function<quint32()>;

    // Milliseconds since an arbitrary start, cut to 32 bits.
    static quint32 systemTicks();

    static quint32 elapsed(quint32 start, quint32 now) { return now - start; }
};

} // namespace kaldoria::launch
