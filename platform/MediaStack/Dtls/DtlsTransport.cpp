#include "MediaStack/Dtls/DtlsTransport.h"

#include <openssl/err.h>

#include <algorithm>
#include <cstring>

#include "MediaStack/Dtls/OpenSslHandles.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Net/PacketDemux.h"

namespace media {

namespace {

constexpr size_t kRecordHeaderLength = 13;
constexpr unsigned kMaxRetransmitMicroseconds = 60'000'000;
constexpr const char* kSrtpExporterLabel = "EXTRACTOR-dtls_srtp";
// Forward secrecy only; RSA suites are there for hosts whose certificate has an RSA key.
constexpr const char* kCipherList = "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
                                    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                                    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305:"
                                    "ECDHE-ECDSA-AES128-SHA:ECDHE-RSA-AES128-SHA:"
                                    "ECDHE-ECDSA-AES256-SHA:ECDHE-RSA-AES256-SHA";

// Every record of the datagram has a known content type, a DTLS version and a length that
// stays within the datagram: what OpenSSL would otherwise throw away unseen.
bool recordsAreFramed(std::span<const uint8_t> datagram)
{
    while (!datagram.empty()) {
        if (datagram.size() < kRecordHeaderLength)
            return false;
        const uint8_t type = datagram[0];
        const bool dtlsVersion = datagram[1] == 0xfe && (datagram[2] == 0xff || datagram[2] == 0xfd);
        const size_t length = size_t(datagram[11]) << 8 | datagram[12];
        if (type < 20 || type > 25 || !dtlsVersion || kRecordHeaderLength + length > datagram.size())
            return false;
        datagram = datagram.subspan(kRecordHeaderLength + length);
    }
    return true;
}

std::string openSslErrors()
{
    std::string text;
    while (unsigned long code = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(code, line, sizeof line);
        if (!text.empty())
            text += "; ";
        text += line;
    }
    return text;
}

const EVP_MD* digestNamed(const std::string& algorithm)
{
    std::string name = algorithm;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "sha-1")
        return EVP_sha1();
    if (name == "sha-256")
        return EVP_sha256();
    if (name == "sha-384")
        return EVP_sha384();
    if (name == "sha-512")
        return EVP_sha512();
    return nullptr;
}

int transportIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

} // namespace

// The C entry points OpenSSL calls back; they find their transport through the SSL or BIO.
struct DtlsCallbacks {
    static DtlsTransport* owner(SSL* ssl) { return static_cast<DtlsTransport*>(SSL_get_ex_data(ssl, transportIndex())); }

    // The peer's certificate is self-signed: what vouches for it is the SDP fingerprint.
    static int verifyCertificate(X509_STORE_CTX* store, void*)
    {
        auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        X509* leaf = X509_STORE_CTX_get0_cert(store);
        auto* transport = ssl ? owner(ssl) : nullptr;
        if (!transport || !leaf)
            return 0;
        int length = i2d_X509(leaf, nullptr);
        if (length <= 0)
            return 0;
        std::vector<uint8_t> der(static_cast<size_t>(length));
        unsigned char* cursor = der.data();
        i2d_X509(leaf, &cursor);
        if (transport->verifyPeer(der))
            return 1;
        X509_STORE_CTX_set_error(store, X509_V_ERR_CERT_REJECTED);
        return 0;
    }

    static unsigned timeout(SSL* ssl, unsigned previous)
    {
        auto* transport = owner(ssl);
        return transport ? transport->nextTimeoutMicroseconds(previous) : 1'000'000;
    }

    static int write(BIO* bio, const char* bytes, int length)
    {
        if (auto* transport = static_cast<DtlsTransport*>(BIO_get_data(bio)); transport && length > 0)
            transport->writeDown({ reinterpret_cast<const uint8_t*>(bytes), static_cast<size_t>(length) });
        return length; // a datagram lost below is the retransmission timer's business
    }

    static long control(BIO*, int command, long, void*)
    {
        switch (command) {
        case BIO_CTRL_FLUSH:
            return 1;
        case BIO_CTRL_DGRAM_QUERY_MTU:
        case BIO_CTRL_WPENDING:
        case BIO_CTRL_PENDING:
            return 0;
        default:
            return 0;
        }
    }

    static int create(BIO* bio)
    {
        BIO_set_init(bio, 1);
        return 1;
    }

    static const BIO_METHOD* outgoingMethod()
    {
        // One method table for the process; OpenSSL keeps a pointer to it in every BIO.
        static const std::unique_ptr<BIO_METHOD, OpenSslDeleter<BIO_meth_free>> method = [] {
            std::unique_ptr<BIO_METHOD, OpenSslDeleter<BIO_meth_free>> m(
                BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "media dtls datagrams"));
            BIO_meth_set_write(m.get(), write);
            BIO_meth_set_ctrl(m.get(), control);
            BIO_meth_set_create(m.get(), create);
            return m;
        }();
        return method.get();
    }
};

struct DtlsTransport::Tls {
    SslCtxPtr context;
    SslPtr ssl;
    BIO* incoming = nullptr; // owned by ssl
};

std::shared_ptr<DtlsTransport> DtlsTransport::create(std::shared_ptr<MediaThread> thread,
                                                     std::shared_ptr<DatagramTransport> lower, DtlsConfig config)
{
    auto transport = std::shared_ptr<DtlsTransport>(new DtlsTransport(std::move(thread), std::move(lower), std::move(config)));
    if (!transport->setUp())
        return nullptr;
    transport->m_lower->attach(transport, &DtlsTransport::handleDatagram, &DtlsTransport::handleLowerState);
    return transport;
}

DtlsTransport::DtlsTransport(std::shared_ptr<MediaThread> thread, std::shared_ptr<DatagramTransport> lower, DtlsConfig config)
    : m_thread(std::move(thread)), m_lower(std::move(lower)), m_config(std::move(config)), m_tls(std::make_unique<Tls>())
{
}

DtlsTransport::~DtlsTransport()
{
    cancelRetransmitTimer();
    if (m_lower)
        m_lower->detach();
    if (m_tls->ssl)
        SSL_set_ex_data(m_tls->ssl.get(), transportIndex(), nullptr);
}

bool DtlsTransport::setUp()
{
    if (!m_config.certificate || !m_lower)
        return false;
    auto& tls = *m_tls;
    tls.context.reset(SSL_CTX_new(DTLS_method()));
    SSL_CTX* context = tls.context.get();
    std::string profiles;
    for (auto profile : m_config.srtpProfiles)
        profiles += (profiles.empty() ? "" : ":") + std::string(profileInfo(profile).openSslName);
    bool ready = context && SSL_CTX_set_min_proto_version(context, DTLS1_2_VERSION) == 1
              && SSL_CTX_set_max_proto_version(context, DTLS1_2_VERSION) == 1
              && SSL_CTX_set_cipher_list(context, kCipherList) == 1
              && SSL_CTX_use_certificate(context, m_config.certificate->x509()) == 1
              && SSL_CTX_use_PrivateKey(context, m_config.certificate->privateKey()) == 1
              && SSL_CTX_check_private_key(context) == 1
              // Returns 0 on success, unlike its neighbours.
              && SSL_CTX_set_tlsext_use_srtp(context, profiles.c_str()) == 0;
    if (!ready) {
        MediaStackLog::error("DTLS: cannot set up the context: " + openSslErrors());
        return false;
    }
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    SSL_CTX_set_cert_verify_callback(context, DtlsCallbacks::verifyCertificate, nullptr);
    SSL_CTX_set_read_ahead(context, 1);

    tls.ssl.reset(SSL_new(context));
    SSL* ssl = tls.ssl.get();
    BIO* incoming = BIO_new(BIO_s_mem());
    BIO* outgoing = BIO_new(DtlsCallbacks::outgoingMethod());
    if (!ssl || !incoming || !outgoing) {
        BIO_free(incoming);
        BIO_free(outgoing);
        MediaStackLog::error("DTLS: cannot make the connection: " + openSslErrors());
        return false;
    }
    BIO_set_mem_eof_return(incoming, -1); // empty means "wait for more", not end of stream
    BIO_set_data(outgoing, this);
    SSL_set_bio(ssl, incoming, outgoing);
    tls.incoming = incoming;
    SSL_set_ex_data(ssl, transportIndex(), this);
    SSL_set_options(ssl, SSL_OP_NO_QUERY_MTU);
    DTLS_set_link_mtu(ssl, static_cast<long>(m_config.mtu));
    DTLS_set_timer_cb(ssl, DtlsCallbacks::timeout);
    if (m_config.role == DtlsRole::Client)
        SSL_set_connect_state(ssl);
    else
        SSL_set_accept_state(ssl);
    return true;
}

bool DtlsTransport::setRemoteFingerprint(const std::string& algorithm, const std::string& fingerprint)
{
    auto bytes = Certificate::parseFingerprint(fingerprint);
    const EVP_MD* digest = digestNamed(algorithm);
    if (!digest || bytes.size() != static_cast<size_t>(EVP_MD_get_size(digest)))
        return false;
    m_fingerprintAlgorithm = algorithm;
    m_fingerprint = std::move(bytes);
    return true;
}

bool DtlsTransport::verifyPeer(std::span<const uint8_t> der)
{
    m_peerCertificate.assign(der.begin(), der.end());
    const EVP_MD* digest = digestNamed(m_fingerprintAlgorithm);
    if (!digest || m_fingerprint.empty()) {
        MediaStackLog::error("DTLS: the peer's certificate came before its fingerprint");
        return false;
    }
    unsigned char computed[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_Digest(der.data(), der.size(), computed, &length, digest, nullptr) != 1)
        return false;
    if (length != m_fingerprint.size() || std::memcmp(computed, m_fingerprint.data(), length) != 0) {
        MediaStackLog::error("DTLS: the peer's certificate does not match its fingerprint");
        return false;
    }
    return true;
}

unsigned DtlsTransport::nextTimeoutMicroseconds(unsigned previous)
{
    // OpenSSL asks at every flight (previous 0) and at every retransmission; our timer runs
    // the same span on the loop's clock.
    // Below 15 ms OpenSSL counts a timer as expired at once and resends at every read.
    unsigned next = previous == 0 ? static_cast<unsigned>(std::clamp(m_config.initialRetransmitTimeout, 0.02, 60.0) * 1e6)
                                  : std::min(previous * 2, kMaxRetransmitMicroseconds);
    m_retransmitDeadline = m_thread->now() + next / 1e6;
    return next;
}

void DtlsTransport::writeDown(std::span<const uint8_t> datagram) { m_lower->send(datagram); }

void DtlsTransport::handleLowerState(TransportState state)
{
    switch (state) {
    case TransportState::Connected:
        if (!m_started) {
            m_started = true;
            changeState(TransportState::Connecting);
            drive();
        }
        break;
    case TransportState::Failed:
    case TransportState::Closed:
        fail(std::string("the transport below is ") + toString(state));
        break;
    default:
        break;
    }
}

void DtlsTransport::handleDatagram(std::span<const uint8_t> datagram)
{
    switch (PacketDemux::classify(datagram)) {
    case PacketKind::Dtls:
        if (!recordsAreFramed(datagram))
            return drop("DTLS records cut short or lying about their length");
        if (state() == TransportState::Failed || state() == TransportState::Closed)
            return drop("DTLS after the end");
        BIO_write(m_tls->incoming, datagram.data(), static_cast<int>(datagram.size()));
        // A server hears of the link first from its peer's ClientHello.
        m_started = true;
        if (state() == TransportState::New)
            changeState(TransportState::Connecting);
        drive();
        // Whatever OpenSSL left of this datagram must not run into the next one.
        (void)BIO_reset(m_tls->incoming);
        break;
    case PacketKind::Rtp:
    case PacketKind::Rtcp:
        if (state() != TransportState::Connected)
            return drop("SRTP before the keys");
        deliver(datagram);
        break;
    default:
        drop("neither DTLS nor SRTP");
        break;
    }
}

void DtlsTransport::drive()
{
    SSL* ssl = m_tls->ssl.get();
    if (!SSL_is_init_finished(ssl)) {
        int result = SSL_do_handshake(ssl);
        if (result == 1) {
            handshakeDone();
        } else {
            int error = SSL_get_error(ssl, result);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                return fail("handshake failed: " + openSslErrors());
            ERR_clear_error();
        }
    }
    // After the handshake: alerts, close_notify, and the peer's repeated last flight.
    if (SSL_is_init_finished(ssl)) {
        unsigned char sink[2048];
        for (;;) {
            int result = SSL_read(ssl, sink, sizeof sink);
            if (result > 0) {
                drop("application data over DTLS");
                continue;
            }
            int error = SSL_get_error(ssl, result);
            if (error == SSL_ERROR_ZERO_RETURN) {
                cancelRetransmitTimer();
                changeState(TransportState::Closed);
                return;
            }
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                return fail("connection failed: " + openSslErrors());
            ERR_clear_error();
            break;
        }
    }
    armRetransmitTimer();
}

void DtlsTransport::handshakeDone()
{
    SSL* ssl = m_tls->ssl.get();
    SRTP_PROTECTION_PROFILE* selected = SSL_get_selected_srtp_profile(ssl);
    m_profile = selected ? srtpProfileFromId(selected->id) : std::nullopt;
    if (!m_profile)
        return fail("the peer agreed to no SRTP profile of ours");
    MediaStackLog::info(std::string("DTLS: connected with ") + profileInfo(*m_profile).openSslName);
    changeState(TransportState::Connected);
}

std::vector<uint8_t> DtlsTransport::exportKeyingMaterial(size_t length) const
{
    if (state() != TransportState::Connected || length == 0)
        return {};
    std::vector<uint8_t> material(length);
    if (SSL_export_keying_material(m_tls->ssl.get(), material.data(), length, kSrtpExporterLabel,
                                   std::strlen(kSrtpExporterLabel), nullptr, 0, 0)
        != 1)
        return {};
    return material;
}

bool DtlsTransport::send(std::span<const uint8_t> datagram)
{
    auto kind = PacketDemux::classify(datagram);
    if (state() != TransportState::Connected || (kind != PacketKind::Rtp && kind != PacketKind::Rtcp))
        return false;
    return m_lower->send(datagram);
}

void DtlsTransport::close()
{
    if (state() == TransportState::Closed || state() == TransportState::Failed)
        return;
    cancelRetransmitTimer();
    if (SSL_is_init_finished(m_tls->ssl.get()))
        SSL_shutdown(m_tls->ssl.get());
    ERR_clear_error();
    changeState(TransportState::Closed);
}

void DtlsTransport::fail(const std::string& reason)
{
    if (state() == TransportState::Failed || state() == TransportState::Closed)
        return;
    cancelRetransmitTimer();
    ERR_clear_error();
    MediaStackLog::error("DTLS: " + reason);
    changeState(TransportState::Failed);
}

void DtlsTransport::armRetransmitTimer()
{
    cancelRetransmitTimer();
    timeval left {};
    if (state() == TransportState::Failed || state() == TransportState::Closed || DTLSv1_get_timeout(m_tls->ssl.get(), &left) != 1)
        return;
    double seconds = m_retransmitDeadline - m_thread->now();
    if (seconds <= 0) {
        // Our clock has passed the deadline but OpenSSL, which reads the wall clock, has not:
        // wait out its remainder.
        seconds = static_cast<double>(left.tv_sec) + static_cast<double>(left.tv_usec) / 1e6;
        seconds = std::max(seconds, 0.001);
    }
    m_retransmitTimer = m_thread->scheduleAfter(seconds, [weak = weak_from_this()] {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_retransmitTimer.reset();
        if (DTLSv1_handle_timeout(self->m_tls->ssl.get()) < 0)
            return self->fail("the peer stopped answering: " + openSslErrors());
        self->armRetransmitTimer();
    });
}

void DtlsTransport::cancelRetransmitTimer()
{
    if (m_retransmitTimer) {
        m_thread->cancel(*m_retransmitTimer);
        m_retransmitTimer.reset();
    }
}

void DtlsTransport::drop(const char* why)
{
    ++m_dropped;
    if (MediaStackLog::isEnabled(LogLevel::Debug))
        MediaStackLog::debug(std::string("DTLS: dropped a datagram: ") + why + " (" + std::to_string(m_dropped) + " so far)");
}

} // namespace media
