#include "MediaStack/Views/RemoteVideoView.h"

#include "MediaStack/Capture/MediaRequest.h"

void RemoteVideoView::initWithFrame(CGRect frame)
{
    VideoRenderView::initWithFrame(frame);
    setLayoutScale(UserMedia::defaultRemoteVideoScale());
}
