#pragma once

#include <condition_variable>
#include <mutex>

// A manual-reset event: threads waiting on it pass while it is set and block while it is reset.
class TEvent {
public:
    // Creates the event in the given state (set: waiters pass).
    explicit TEvent(bool initiallySet = true);

    // Lets every current and later waiter pass until the next reset.
    void SetEvent();
    // Makes later waiters block until the event is set again.
    void ResetEvent();
    // Returns at once while the event is set, else blocks until it is set.
    void WaitFor();
    // Whether the event is set now.
    bool IsSet() const;

private:
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    bool FSet;
};
