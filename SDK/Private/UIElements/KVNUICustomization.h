#pragma once
// The restyling hook of the kit's widgets: a widget that also derives from this and answers
// onSetupComplete gets the call as the last step of its set-up, so an app can restyle every
// instance of a widget class in one place. The library itself answers it nowhere.
// Main thread only.

class KVNUICustomization {
public:
    virtual ~KVNUICustomization() = default;
    virtual void onSetupComplete() {}
};

namespace kvn {

// Sends onSetupComplete when `object` answers it.
template <typename T> void sendSetupCompleteIfAnswered(T* object)
{
    if (auto* customization = dynamic_cast<KVNUICustomization*>(object))
        customization->onSetupComplete();
}

} // namespace kvn
