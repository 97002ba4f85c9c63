#pragma once
// ICE for one media flow with RTP and RTCP on one component (rtcp-mux), on a libnice agent
// in full mode. libnice runs on a GLib main context of its own, on a thread of its own; this
// class lives on the media thread and brings every event and datagram over to it.
//
// Local candidates leave as SDP lines through onLocalCandidate: one by one as they are
// found (trickle), or, in early mode, all at once when gathering ends or the early-candidates
// time-out passes on the media thread's clock, whichever comes first; onGatheringDone follows.
// The candidate policy filters both directions and sets the type preferences we announce.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MediaStack/Ice/CandidatePolicy.h"
#include "MediaStack/Net/DatagramTransport.h"

namespace media {

class MediaThread;

enum class IceRole {
    Controlling,
    Controlled,
};

struct IceCredentials {
    std::string ufrag;
    std::string password;
};

struct IceConfig {
    IceRole role = IceRole::Controlling;
    std::string stunHost; // none when empty
    uint16_t stunPort = 3478;
    // When not empty, the only addresses gathered (libnice skips loopback unless named here).
    std::vector<std::string> localAddresses;
    bool trickle = true;
    double earlyCandidatesTimeout = 0.5; // seconds, early mode only
    // Ta: the pause between two checks that libnice starts, and before the first one once the
    // peer's candidates are in (libnice's own 20 ms is most of a loopback link-up). One
    // component and a handful of pairs keep 5 ms well within what a path can bear.
    double checkPacing = 0.005; // seconds
    CandidatePolicy policy;
    // Datagrams waiting to be carried from libnice's thread to the media thread, in bytes, at
    // most; more is dropped there and counted (droppedDatagrams).
    size_t maxPendingBytes = 4 * 1024 * 1024;
};

class IceTransport final : public DatagramTransport, public std::enable_shared_from_this<IceTransport> {
public:
    static std::shared_ptr<IceTransport> create(std::shared_ptr<MediaThread> thread, IceConfig config);
    ~IceTransport() override;

    IceCredentials localCredentials() const;
    IceRole role() const { return m_config.role; }
    void setRemoteCredentials(const IceCredentials& credentials);
    void gatherCandidates();
    // False when the line is unreadable or the policy refuses it; such lines are counted.
    bool addRemoteCandidate(const std::string& line);
    // The peer has sent its last candidate: from here on, running out of pairs is a failure.
    void remoteGatheringDone();

    bool send(std::span<const uint8_t> datagram) override;

    void onLocalCandidate(std::function<void(const std::string&)> callback) { m_localCandidate = std::move(callback); }
    void onGatheringDone(std::function<void()> callback) { m_gatheringDone = std::move(callback); }

    uint64_t refusedRemoteCandidates() const { return m_refusedRemoteCandidates; }
    // Datagrams dropped on libnice's thread for want of room in the hand-over; any thread.
    uint64_t droppedDatagrams() const;

private:
    struct Agent;
    IceTransport(std::shared_ptr<MediaThread> thread, IceConfig config);
    void start();

    // Media thread, posted from libnice's thread.
    void handleLocalCandidate(const std::string& sdpLine);
    void handleGatheringDone();
    void handleComponentState(unsigned niceState);
    void releaseEarlyCandidates();

    std::shared_ptr<MediaThread> m_thread;
    IceConfig m_config;
    std::unique_ptr<Agent> m_agent;
    std::function<void(const std::string&)> m_localCandidate;
    std::function<void()> m_gatheringDone;
    std::vector<std::string> m_earlyCandidates;
    std::optional<uint64_t> m_earlyTimer;
    bool m_candidatesReleased = false;
    uint64_t m_refusedRemoteCandidates = 0;
};

} // namespace media
