#pragma once
// Told when the user asks for the ident code to be sent again; the ident code screen acts on
// it. Main thread.
#include <memory>

class KVNIdentCodeView;

class KVNIdentCodeViewDelegate {
public:
    virtual ~KVNIdentCodeViewDelegate() = default;
    virtual void identCodeViewDidTapRequestAgainButton(const std::shared_ptr<KVNIdentCodeView>& view) = 0;
    // The view asks before it sends the operation above; a delegate may decline it.
    virtual bool respondsToIdentCodeViewDidTapRequestAgainButton() const { return true; }
};
