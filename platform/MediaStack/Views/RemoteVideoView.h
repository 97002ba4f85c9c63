#pragma once
// The far side's video of a link. Main thread for the view; renderFrame from any thread.
#include "MediaStack/Views/VideoRenderView.h"

class RemoteVideoView : public VideoRenderView {};
