#pragma once
// The states every layer of the transport stack reports to the layer above it.
namespace media {

enum class TransportState {
    New,
    Connecting,
    Connected,
    Failed,
    Closed,
};

const char* toString(TransportState state);

} // namespace media
