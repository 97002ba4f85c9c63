#pragma once
// The device's screen: its bounds in points and its scale (pixels per point). A headless
// machine has no screen of its own, so these are settings: 375 x 667 points at scale 2.0
// unless the host or a test sets others. Read from any thread (the image helpers read the
// scale on worker queues); set before drawing starts.
#include <memory>
#include <mutex>

#include "CoreGraphics/CGGeometry.h"

class UIScreen {
public:
    static std::shared_ptr<UIScreen> mainScreen();

    CGRect bounds() const;
    CGFloat scale() const;
    // The origin is kept at (0, 0); sizes that are not positive are ignored.
    void setBounds(CGRect bounds);
    // Scales that are not positive are ignored.
    void setScale(CGFloat scale);

private:
    mutable std::mutex m_mutex;
    CGRect m_bounds = CGRectMake(0, 0, 375, 667);
    CGFloat m_scale = 2.0;
};
