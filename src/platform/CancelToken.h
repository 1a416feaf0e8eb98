#pragma once

#include <atomic>
#include <memory>

namespace kaldoria::platform {

// A handle to one shared "stop" flag. Copies share the flag: the owner of the work keeps one
// and hands copies down; lower code looks at it, gives its work up and returns when it is
// set. Once set it stays set. Safe to use from any thread.
class CancelToken {
public:
    // A token with a flag of its own; one that nobody else holds is never cancelled.
    CancelToken();

    // Sets the flag and wakes the user-interface thread's event dispatcher, so that a wait
    // there sees it even when no other event arrives.
    void cancel() const;
    bool isCancelled() const { return m_flag->load(std::memory_order_acquire); }

private:
    std::shared_ptr<std::atomic<bool>> m_flag;
};

} // namespace kaldoria::platform
