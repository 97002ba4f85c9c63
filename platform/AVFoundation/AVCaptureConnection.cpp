#include "AVFoundation/AVCaptureConnection.h"

#include "AVFoundation/AVCaptureOutput.h"
#include "AVFoundation/AVCaptureSession.h"

bool AVCaptureConnection::isActive() const
{
    auto owner = session();
    auto target = output();
    return owner && target && owner->isRunning() && target->session() == owner;
}
