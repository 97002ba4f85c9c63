#pragma once
// Drawing fixtures for view tests: a view tree drawn at scale 1 and its pixels read back as
// unpremultiplied 0..255 channels.
#include <cstdint>
#include <memory>

#include "InkFixtures.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIView.h"

namespace fixtures {

struct Pixel {
    int a, r, g, b;
};

inline std::shared_ptr<UIImage> snapshot(const std::shared_ptr<UIView>& root)
{
    return render(root->bounds().size, 1, [&] { root->drawViewHierarchyInRect_afterScreenUpdates(root->bounds(), true); });
}

inline Pixel pixel(const UIImage& image, size_t x, size_t y)
{
    uint32_t word = image.CGImage()->pixelAt(x, y);
    int a = int(word >> 24);
    auto channel = [&](int shift) { return a ? int(((word >> shift) & 0xFF) * 255 / a) : 0; };
    return {a, channel(16), channel(8), channel(0)};
}

inline std::shared_ptr<UIView> makeView(CGRect frame, std::shared_ptr<UIColor> background = nullptr)
{
    auto view = std::make_shared<UIView>();
    view->initWithFrame(frame);
    view->setBackgroundColor(std::move(background));
    return view;
}

// Black and white stripes, 2 points each: sharp where nothing blurs them.
struct Stripes : UIView {
    void drawRect(CGRect rect) override
    {
        auto c = UIGraphicsGetCurrentContext();
        CGContextSetRGBFillColor(c, 1, 1, 1, 1);
        CGContextFillRect(c, rect);
        CGContextSetRGBFillColor(c, 0, 0, 0, 1);
        for (CGFloat x = 0; x < rect.size.width; x += 4)
            CGContextFillRect(c, CGRectMake(x, 0, 2, rect.size.height));
    }
};

} // namespace fixtures
