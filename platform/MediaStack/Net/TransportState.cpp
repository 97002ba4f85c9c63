#include "MediaStack/Net/TransportState.h"

namespace media {

const char* toString(TransportState state)
{
    switch (state) {
    case TransportState::New:
        return "new";
    case TransportState::Connecting:
        return "connecting";
    case TransportState::Connected:
        return "connected";
    case TransportState::Failed:
        return "failed";
    case TransportState::Closed:
        return "closed";
    }
    return "unknown";
}

} // namespace media
