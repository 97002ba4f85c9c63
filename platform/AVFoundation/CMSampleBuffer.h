#pragma once
// What a capture output hands over for one picture. The still-image output's buffers carry
// the picture's JPEG bytes and its size; AVCaptureStillImageOutput reads them back.
// Immutable once made; any thread.
#include <cstdint>
#include <memory>

#include "Foundation/NSData.h"

struct CMVideoDimensions {
    int32_t width = 0;
    int32_t height = 0;
};

class CMSampleBuffer {
public:
    CMSampleBuffer(NSData jpegData, CMVideoDimensions dimensions) : m_jpegData(std::move(jpegData)), m_dimensions(dimensions) {}

    const NSData& jpegData() const { return m_jpegData; }
    CMVideoDimensions dimensions() const { return m_dimensions; }

private:
    const NSData m_jpegData;
    const CMVideoDimensions m_dimensions;
};

using CMSampleBufferRef = std::shared_ptr<CMSampleBuffer>;
