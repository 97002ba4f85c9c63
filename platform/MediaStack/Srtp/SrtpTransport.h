#pragma once
// SRTP and SRTCP over a DTLS transport (RFC 5764): once DTLS is connected it keys a libsrtp
// session pair from the exported material; then send() protects plain RTP or RTCP and hands
// it down, and what comes up is checked, decrypted and handed up through the receive
// callback. Packets that fail (forged, replayed, cut short, before the keys) are dropped and
// counted. Media thread.
#include <cstdint>
#include <memory>

#include "MediaStack/Net/DatagramTransport.h"
#include "MediaStack/Srtp/SrtpSession.h"

namespace media {

class DtlsTransport;

class SrtpTransport final : public DatagramTransport, public std::enable_shared_from_this<SrtpTransport> {
public:
    struct Counters {
        uint64_t malformed = 0;
        uint64_t authenticationFailed = 0;
        uint64_t replayed = 0;
        uint64_t beforeKeys = 0;
        uint64_t other = 0;

        uint64_t total() const { return malformed + authenticationFailed + replayed + beforeKeys + other; }
    };

    static std::shared_ptr<SrtpTransport> create(std::shared_ptr<DtlsTransport> dtls);
    ~SrtpTransport() override;

    const DtlsTransport& dtls() const { return *m_dtls; }
    DtlsTransport& dtls() { return *m_dtls; }

    // A plain RTP or RTCP packet, told apart by its packet type.
    bool send(std::span<const uint8_t> packet) override;

    const Counters& dropped() const { return m_dropped; }

private:
    explicit SrtpTransport(std::shared_ptr<DtlsTransport> dtls);
    void handleDtlsState(TransportState state);
    void handleDatagram(std::span<const uint8_t> datagram);
    void count(SrtpResult result, const char* direction);

    std::shared_ptr<DtlsTransport> m_dtls;
    std::unique_ptr<SrtpSession> m_session;
    Counters m_dropped;
};

} // namespace media
