#pragma once
// Torch and focus of the default video capture device, for the agent's flashlight commands
// and the photo screens' tap-to-focus. Every helper does nothing, or answers false, when
// there is no such device or it lacks the feature, and changes the device only while it
// holds the device's configuration lock. Any thread (the device guards its own state).
#include "CoreGraphics/CGGeometry.h"

namespace KVNExtensions {

bool hasTorch();
// The device has a torch and the torch is lit.
bool isTorchOn();
// Locks the device only when the torch's state has to change.
void setTorchEnabled(bool enabled);
// Focus once (and expose once) at a point in unit coordinates of the picture.
void autofocusPoint(CGPoint point);
bool canSetFocusPointOfInterest();
// Continuous focus and exposure at the centre.
void resetAutofocus();

} // namespace KVNExtensions
