#pragma once
// Why a received packet or datagram was thrown away, in one table: each reason with the name
// the log shows. Readers count drops by reason (DropCounter) instead of failing loudly, so
// garbage from the far side costs one counter increment.
#include <array>
#include <cstddef>
#include <string_view>

namespace mediastack::rtp {

#define MEDIASTACK_DROP_REASONS(X)                                              \
    X(RtpTooShort, "rtp: shorter than its header")                              \
    X(RtpBadVersion, "rtp: version is not 2")                                   \
    X(RtpBadExtension, "rtp: header extension runs past the packet")            \
    X(RtpBadPadding, "rtp: padding count is zero or larger than the payload")   \
    X(RtcpTooShort, "rtcp: shorter than its header")                            \
    X(RtcpBadVersion, "rtcp: version is not 2")                                 \
    X(RtcpBadLength, "rtcp: length field does not match the datagram")          \
    X(RtcpBadPadding, "rtcp: padding on a packet that is not the last")         \
    X(RtcpBadBody, "rtcp: report count or feedback does not fit the packet")    \
    X(Duplicate, "duplicate packet")                                            \
    X(TooLate, "arrived after its place was given up")                          \
    X(BufferFull, "buffer full: oldest packets dropped")                        \
    X(BadPayload, "payload descriptor does not fit the packet")                 \
    X(UnknownSource, "rtp: no stream for its source or payload type")

enum class DropReason {
#define MEDIASTACK_DROP_ENUM(name, text) name,
    MEDIASTACK_DROP_REASONS(MEDIASTACK_DROP_ENUM)
#undef MEDIASTACK_DROP_ENUM
};

inline constexpr size_t dropReasonCount = 0
#define MEDIASTACK_DROP_COUNT(name, text) +1
    MEDIASTACK_DROP_REASONS(MEDIASTACK_DROP_COUNT)
#undef MEDIASTACK_DROP_COUNT
    ;

inline std::string_view dropReasonName(DropReason reason)
{
    static constexpr std::array<std::string_view, dropReasonCount> names = {
#define MEDIASTACK_DROP_NAME(name, text) text,
        MEDIASTACK_DROP_REASONS(MEDIASTACK_DROP_NAME)
#undef MEDIASTACK_DROP_NAME
    };
    return names[static_cast<size_t>(reason)];
}

}
