#pragma once
// An RTCP packet received for a stream. Subclasses are the kinds the stack reads (picture
// loss indication, receiver and sender reports); the codec of the stream sees them all.
// Any thread; a received packet is not changed once handed on.
#include <cstddef>
#include <string>

class RTCPPacket {
public:
    virtual ~RTCPPacket() = default;

    // The packet kind's class name, as log lines show it.
    virtual std::string className() const = 0;
    // Bytes after the 4-byte RTCP header.
    virtual size_t payloadLength() const = 0;
};
