#pragma once
// The video call handler on the media stack: it runs the local media, builds the conference
// when the agent has connected, carries our offer and candidates to the video server and its
// answer back, checks the server's DTLS certificate at link up through the host's certificate
// provider, re-links after a drop once the network and the app allow, and answers screenshots
// and camera switches. The first handler of a process sets up the stack once (log sink,
// codecs, client certificate); every later one hands the same certificate to its conference.
//
// Main thread for every operation; the conference's events arrive on the media thread, where
// the handler only logs, reads the event and runs the certificate checks, then goes to the
// main queue.
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSData.h"
#include "MediaStack/Conference/LinkEvents.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWebRTCHandler.h"

class AudioStreamSpec;
class DtlsCertificateBase;
class KVNOrvelLocalMedia;
class KVNTimer;
class KavoniCertificateProvider;
class MediaConference;
class NSURLSessionTask;
class RemoteVideoView;
class ConferenceStream;
class VideoStreamSpec;

class KVNOrvelHandler : public KVNWebRTCHandler {
public:
    // Raises KavoniCertificateProviderException out of the process's first set-up (see
    // createClientCertificate); the set-up then runs again with the next handler.
    void initWithDelegate(const std::shared_ptr<KVNWebRTCHandlerDelegate>& delegate) override;
    void startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken) override;
    void createScreenshot() override;
    void reset() override;
    long localCameraPosition() const override;
    void setLocalCameraPosition(long position) override;

    void startConference();
    void linkToConference();
    void setup();
    std::shared_ptr<DtlsCertificateBase> createClientCertificate();
    // Media thread, at link up.
    bool checkServerCertificate(const std::shared_ptr<PeerLink>& link);
    bool checkServerFingerprint(const std::shared_ptr<PeerLink>& link);
    // Media thread: both checks together, as the provider's features ask for them; with both
    // features on, both must pass.
    bool linkPassesChecks(const std::shared_ptr<PeerLink>& link);
    static NSData calcSHA256FingerPrint(const NSData& data);
    void sendCandidateToBackend(const CandidateMessage& candidate);
    void onLinkOfferAnswer(const LinkOfferAnswerArgs& event);
    void onOrvelDown(const LinkDownArgs& event);
    // Media thread: the link is up; it reaches the delegate once it passed the checks.
    void onOrvelUp(const LinkUpArgs& event);
    // The local media's answer, brought to the main queue.
    void onLocalMediaStarted(const std::shared_ptr<KVNOrvelLocalMedia>& media, const std::shared_ptr<UIView>& preview,
                             std::exception_ptr failure);

    std::shared_ptr<KavoniCertificateProvider> certificateProvider() const { return m_certificateProvider.lock(); }
    const std::shared_ptr<KVNOrvelLocalMedia>& localMedia() const { return m_localMedia; }
    const std::shared_ptr<AudioStreamSpec>& audioStream() const { return m_audioStream; }
    const std::shared_ptr<VideoStreamSpec>& videoStream() const { return m_videoStream; }
    const std::shared_ptr<MediaConference>& conference() const { return m_conference; }
    const std::shared_ptr<DtlsCertificateBase>& certificate() const { return m_certificate; }
    const std::shared_ptr<NSURLSessionTask>& SDPOfferTask() const { return m_SDPOfferTask; }
    std::shared_ptr<RemoteVideoView> remoteVideoControl() const;
    bool orvelInitialized() const { return m_orvelInitialized; }
    const std::shared_ptr<KVNTimer>& timer() const { return m_timer; }

    // The client certificate of the process's set-up; none before it ran.
    static std::shared_ptr<DtlsCertificateBase> processCertificate();

protected:
    // Where the conference comes from; tests give one of their own making.
    virtual std::shared_ptr<MediaConference> makeConference(const std::string& stunHost, int stunPort,
                                                            std::vector<std::shared_ptr<ConferenceStream>> streams);

private:
    std::shared_ptr<KVNOrvelHandler> self();
    std::shared_ptr<KVNOrvelHandlerDelegate> orvelDelegate() const;
    void handleAnswer(const std::optional<std::string>& answer, const std::shared_ptr<NSURLSessionTask>& task,
                      const std::shared_ptr<NSError>& error);
    void failWithError(const std::shared_ptr<NSError>& error);
    void armRelinkTimer();

    std::weak_ptr<KavoniCertificateProvider> m_certificateProvider;
    std::shared_ptr<KVNOrvelLocalMedia> m_localMedia;
    std::shared_ptr<AudioStreamSpec> m_audioStream;
    std::shared_ptr<VideoStreamSpec> m_videoStream;
    std::shared_ptr<MediaConference> m_conference;
    std::shared_ptr<DtlsCertificateBase> m_certificate;
    std::shared_ptr<NSURLSessionTask> m_SDPOfferTask;
    // Written on the media thread at link init, read on the main thread.
    mutable std::mutex m_remoteLock;
    std::weak_ptr<RemoteVideoView> m_remoteVideoControl;
    bool m_orvelInitialized = false;
    std::shared_ptr<KVNTimer> m_timer;
};
