#pragma once
// Told by KVNForegroundStateHelper when the app goes to the background and comes back.
// Main thread (the application posts its state changes there).
class KVNForegroundStateDelegate {
public:
    virtual ~KVNForegroundStateDelegate() = default;
    virtual void willEnterForeground() = 0;
    virtual void didEnterBackground() = 0;
};
