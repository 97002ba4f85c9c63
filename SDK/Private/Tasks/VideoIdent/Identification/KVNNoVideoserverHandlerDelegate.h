#pragma once
// The report of the handler without a video server: the call counts as up. Main queue;
// required.
#include <memory>

class KVNNoVideoserverHandler;

class KVNNoVideoserverHandlerDelegate {
public:
    virtual ~KVNNoVideoserverHandlerDelegate() = default;

    virtual void noVideoserverHandlerDidLinkUp(const std::shared_ptr<KVNNoVideoserverHandler>& handler) = 0;
};
