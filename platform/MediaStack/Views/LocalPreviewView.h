#pragma once
// The local camera's preview. The user-media service makes it on its own thread, fed from the
// camera and not initialised (its frame is the zero rectangle init would give): the main
// thread sizes and places it. Main thread for the view; renderFrame from any thread.
#include "MediaStack/Views/VideoRenderView.h"

class LocalPreviewView : public VideoRenderView {};
