#pragma once
// The kit's spinner in the theme's colour, and the overlay that covers a whole view with a
// dimmed backdrop and a spinner while something loads. A theme colour for spinners wins over
// any colour an owner gives. Main thread only.
#include <memory>

#include "UIKit/UIActivityIndicatorView.h"

class KVNActivityIndicatorView : public UIActivityIndicatorView {
public:
    void initWithActivityIndicatorStyle(UIActivityIndicatorViewStyle style) override;
    void setColor(std::shared_ptr<UIColor> color) override;

    static std::shared_ptr<KVNActivityIndicatorView> addFullOverlayToView(const std::shared_ptr<UIView>& view);
    // Nil colours take the theme's spinner colour and a translucent grey backdrop.
    static std::shared_ptr<KVNActivityIndicatorView> addFullOverlayToView_color_andBg(const std::shared_ptr<UIView>& view,
                                                                                      const std::shared_ptr<UIColor>& color,
                                                                                      const std::shared_ptr<UIColor>& background);
    static void removeConveringIndicator(const std::shared_ptr<UIActivityIndicatorView>& indicator);
};
