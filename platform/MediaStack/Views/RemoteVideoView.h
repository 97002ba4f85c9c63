#pragma once
// The far side's video of a link. It starts with the layout scale the latest media request
// gave remote video. Main thread for the view; renderFrame from any thread.
#include "MediaStack/Views/VideoRenderView.h"

class RemoteVideoView : public VideoRenderView {
public:
    void initWithFrame(CGRect frame) override;
};
