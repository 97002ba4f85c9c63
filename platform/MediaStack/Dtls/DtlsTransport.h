#pragma once
// DTLS 1.2 over the transport below (ICE), for keying SRTP (RFC 5764): offers use_srtp with
// the configured profiles, presents our certificate, accepts the peer only when its
// certificate matches the fingerprint from its SDP, and exports the SRTP keying material.
// Datagrams from below are told apart by their first byte (RFC 7983): DTLS records go to
// OpenSSL, SRTP and SRTCP go up unchanged once the handshake is done, anything else is
// dropped and counted. send() hands SRTP and SRTCP down, past DTLS.
//
// Media thread. Retransmission timers are scheduled on the media thread's loop; OpenSSL still
// checks their deadlines against the wall clock, so a retransmission happens once both the
// loop's clock and real time have passed it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MediaStack/Dtls/Certificate.h"
#include "MediaStack/Dtls/DtlsRole.h"
#include "MediaStack/Net/DatagramTransport.h"
#include "MediaStack/Srtp/SrtpProfile.h"

namespace media {

class MediaThread;

struct DtlsConfig {
    DtlsRole role = DtlsRole::Client;
    std::shared_ptr<const Certificate> certificate;
    // In order of preference; AES128_CM_SHA1_80 belongs in every list, as many peers offer
    // nothing else.
    std::vector<SrtpProfile> srtpProfiles { SrtpProfile::Aes128CmSha1_80 };
    double initialRetransmitTimeout = 1.0; // seconds (20 ms at least), doubled up to 60 s per retransmission
    size_t mtu = 1200;
};

class DtlsTransport final : public DatagramTransport, public std::enable_shared_from_this<DtlsTransport> {
public:
    // The handshake starts when `lower` is connected. Null when the certificate cannot be used.
    static std::shared_ptr<DtlsTransport> create(std::shared_ptr<MediaThread> thread,
                                                 std::shared_ptr<DatagramTransport> lower, DtlsConfig config);
    ~DtlsTransport() override;

    // The peer's "a=fingerprint" (e.g. "sha-256", "AB:CD:..."); must be set before the peer's
    // certificate arrives, or the handshake fails. False for an unknown hash or bad text.
    bool setRemoteFingerprint(const std::string& algorithm, const std::string& fingerprint);

    DtlsRole role() const { return m_config.role; }
    // Once connected: the negotiated profile, and keying material for it (RFC 5705 with the
    // label "EXTRACTOR-dtls_srtp"); empty when not connected.
    std::optional<SrtpProfile> srtpProfile() const { return m_profile; }
    std::vector<uint8_t> exportKeyingMaterial(size_t length) const;
    // The certificate the peer presented (DER), empty before it did.
    const std::vector<uint8_t>& peerCertificate() const { return m_peerCertificate; }

    // Sends an SRTP or SRTCP datagram to the layer below; false before the handshake is done.
    bool send(std::span<const uint8_t> datagram) override;
    // Sends close_notify and closes.
    void close();

    uint64_t droppedDatagrams() const { return m_dropped; }

private:
    struct Tls;
    DtlsTransport(std::shared_ptr<MediaThread> thread, std::shared_ptr<DatagramTransport> lower, DtlsConfig config);
    bool setUp();
    void handleLowerState(TransportState state);
    void handleDatagram(std::span<const uint8_t> datagram);
    void drive();
    void handshakeDone();
    void fail(const std::string& reason);
    void armRetransmitTimer();
    void cancelRetransmitTimer();
    void drop(const char* why);

    friend struct DtlsCallbacks;
    bool verifyPeer(std::span<const uint8_t> der);
    unsigned nextTimeoutMicroseconds(unsigned previous);
    void writeDown(std::span<const uint8_t> datagram);

    std::shared_ptr<MediaThread> m_thread;
    std::shared_ptr<DatagramTransport> m_lower;
    DtlsConfig m_config;
    std::unique_ptr<Tls> m_tls;
    std::string m_fingerprintAlgorithm;
    std::vector<uint8_t> m_fingerprint;
    std::optional<SrtpProfile> m_profile;
    std::vector<uint8_t> m_peerCertificate;
    std::optional<uint64_t> m_retransmitTimer;
    double m_retransmitDeadline = 0; // on the media thread's clock
    bool m_started = false;
    uint64_t m_dropped = 0;
};

} // namespace media
