#pragma once
// The identity-card frame the video screen draws over the camera while the agent looks at a
// document, so the user knows where to hold it. Sized by its image, drawn in the theme's check
// icon colour. Main thread only.
#include <memory>

#include "UIKit/UIView.h"

class UIImageView;

class KVNPositionRect : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<UIImageView>& positionRect() const { return m_positionRect; }
    void setPositionRect(std::shared_ptr<UIImageView> positionRect) { m_positionRect = std::move(positionRect); }

private:
    std::shared_ptr<UIImageView> m_positionRect;
};
