#pragma once
// The local camera's preview. Main thread for the view; renderFrame from any thread.
#include "MediaStack/Views/VideoRenderView.h"

class LocalPreviewView : public VideoRenderView {};
