#pragma once
// Facts about the device that the screens adapt to. Class operations only; main thread.
class KVNSystemInfo {
public:
    // Whether the device is an iPhone 4S (machine name "iPhone4,1"), whose small screen and
    // slow camera some screens allow for.
    static bool isPhone4S();
};
