#pragma once
// A grey bar with a handle that reports vertical drags, step by step, to its delegate; the
// owner pages its content with them. The handle is placed once, from the initial frame.
// Main thread only.
#include <memory>

#include "Private/UIElements/KVNPageSliderControlDelegate.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UIView.h"

class UIImage;

class KVNPageSlideControl : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<UIImage>& sliderImage() const { return m_sliderImage; }
    const std::shared_ptr<UIImageView>& sliderView() const { return m_sliderView; }
    std::shared_ptr<KVNPageSliderControlDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNPageSliderControlDelegate>& delegate) { m_delegate = delegate; }

    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    // A drag taken away (by the system, another gesture) ends where it began: the delegate is
    // sent onSliderMoveEnded with the distance back to the starting point.
    void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

private:
    // Positions are taken in the superview so that the bar's own movement does not feed back.
    bool positionOf(const UITouchSet& touches, float& position) const;

    std::shared_ptr<UIImage> m_sliderImage;
    std::shared_ptr<UIImageView> m_sliderView;
    std::weak_ptr<KVNPageSliderControlDelegate> m_delegate;
    float m_lastPosition = 0;
    float m_startPosition = 0;
};
