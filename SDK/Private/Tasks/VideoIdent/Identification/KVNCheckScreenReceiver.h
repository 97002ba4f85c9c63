#pragma once
// What a screen that shows the data check screen in consent mode hears from it: the user
// ticked every approval and pressed continue. Main thread only.

namespace kvn {

class CheckScreenReceiver {
public:
    virtual ~CheckScreenReceiver() = default;
    virtual void checkScreenDone() = 0;
};

} // namespace kvn
