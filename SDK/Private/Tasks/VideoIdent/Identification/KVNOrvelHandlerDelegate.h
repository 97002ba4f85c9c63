#pragma once
// The media-stack call handler's own report to the session driver: the link is up and
// passed the certificate checks. Main queue; required.
#include <memory>

class KVNOrvelHandler;
class UIView;

class KVNOrvelHandlerDelegate {
public:
    virtual ~KVNOrvelHandlerDelegate() = default;

    virtual void orvelHandlerDidLinkUp_withRemoteVideoControl(const std::shared_ptr<KVNOrvelHandler>& handler,
                                                              const std::shared_ptr<UIView>& view) = 0;
};
