#include "common/credentials/PauseEvent.h"

TEvent::TEvent(bool initiallySet) : FSet(initiallySet) {}

void TEvent::SetEvent()
{
    {
        std::lock_guard guard(FLock);
        FSet = true;
    }
    FChanged.notify_all();
}

void TEvent::ResetEvent()
{
    std::lock_guard guard(FLock);
    FSet = false;
}

void TEvent::WaitFor()
{
    std::unique_lock guard(FLock);
    FChanged.wait(guard, [this] { return FSet; });
}

bool TEvent::IsSet() const
{
    std::lock_guard guard(FLock);
    return FSet;
}
