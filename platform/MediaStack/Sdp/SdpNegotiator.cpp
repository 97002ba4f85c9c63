#include "MediaStack/Sdp/SdpNegotiator.h"

#include <algorithm>
#include <array>
#include <map>

#include "MediaStack/Sdp/SdpReader.h"
#include "MediaStack/Sdp/SdpText.h"

namespace mediastack::sdp {

namespace {

// The payload formats the stack has packetizers for.
struct Format {
    std::string_view kind;
    SdpCodec codec;
};

const std::array<Format, 2>& formats()
{
    static const std::array<Format, 2> table { {
        { "audio", SdpCodec { SdpNegotiator::opusPayloadType, "opus", 48000, 2, "minptime=10;useinbandfec=1", {} } },
        { "video", SdpCodec { SdpNegotiator::vp8PayloadType, "VP8", 90000, 0, "", { "nack", "nack pli", "goog-remb" } } },
    } };
    return table;
}

bool sameFormat(const SdpCodec& a, const SdpCodec& b)
{
    return SdpText::equalsIgnoringCase(a.name, b.name) && a.clockRate == b.clockRate && std::max(a.channels, 1u) == std::max(b.channels, 1u);
}

// The stack's formats of this kind that the app registered a codec for, in registry order.
std::vector<SdpCodec> registeredFormats(std::string_view kind, const SdpLocalParameters& local)
{
    std::vector<SdpCodec> out;
    const auto add = [&](const SdpCodec& wanted) {
        for (const auto& format : formats()) {
            if (format.kind == kind && sameFormat(format.codec, wanted)
                && std::none_of(out.begin(), out.end(), [&](const SdpCodec& c) { return sameFormat(c, wanted); })) {
                out.push_back(format.codec);
            }
        }
    };
    if (kind == "audio") {
        for (const auto& registered : local.audioCodecs) {
            add(SdpCodec { 0, registered.encodingName, static_cast<uint32_t>(registered.clockRate), static_cast<uint32_t>(registered.channels), {}, {} });
        }
    } else {
        for (const auto& name : local.videoCodecs) {
            add(SdpCodec { 0, name, 90000, 0, {}, {} });
        }
    }
    return out;
}

SdpMedia localSection(std::string_view kind, std::string mid, const SdpLocalParameters& local, std::vector<SdpCodec> codecs)
{
    SdpMedia media;
    media.kind = std::string(kind);
    media.mid = std::move(mid);
    media.codecs = std::move(codecs);
    media.rtcpMux = true;
    media.iceUfrag = local.iceUfrag;
    media.icePwd = local.icePwd;
    media.fingerprint = local.fingerprint;
    media.candidates = local.candidates;
    media.endOfCandidates = local.candidatesComplete;
    media.streamId = local.streamId;
    media.trackId = local.streamId + "-" + media.kind;
    media.sources.push_back(SdpSource { kind == "audio" ? local.audioSsrc : local.videoSsrc, local.cname });
    return media;
}

// The far side's transport, from the first section it accepts (the one that carries the
// bundle), with the candidates of every accepted section.
std::optional<std::string> readTransport(const SessionDescription& remote, NegotiatedSession& session)
{
    const SdpMedia* first = nullptr;
    for (const auto& media : remote.media) {
        if (media.port == 0) {
            continue;
        }
        if (!first) {
            first = &media;
        }
        if (!media.rtcpMux) {
            return "section " + media.mid + " does not use rtcp-mux";
        }
        for (const auto& candidate : media.candidates) {
            if (std::find(session.remoteCandidates.begin(), session.remoteCandidates.end(), candidate) == session.remoteCandidates.end()) {
                session.remoteCandidates.push_back(candidate);
            }
        }
        session.remoteCandidatesComplete = session.remoteCandidatesComplete || media.endOfCandidates;
    }
    if (!first) {
        return "no section is accepted";
    }
    if (first->iceUfrag.empty() || first->icePwd.empty()) {
        return "the ICE credentials are missing";
    }
    if (!first->fingerprint || first->fingerprint->algorithm != "sha-256" || first->fingerprint->digest.size() != 32) {
        return "the fingerprint is missing or not a SHA-256 digest";
    }
    session.remoteIceUfrag = first->iceUfrag;
    session.remoteIcePwd = first->icePwd;
    session.remoteFingerprint = *first->fingerprint;
    return std::nullopt;
}

bool hasFeedback(const SdpCodec& codec, std::string_view feedback)
{
    return std::find(codec.feedback.begin(), codec.feedback.end(), feedback) != codec.feedback.end();
}

NegotiatedSession::Media agreedMedia(const SdpMedia& remote, const SdpCodec& codec, MediaDirection direction, std::vector<SdpHeaderExtension> extensions)
{
    NegotiatedSession::Media media;
    media.mid = remote.mid;
    media.codec = codec;
    media.direction = direction;
    if (!remote.sources.empty()) {
        media.remoteSsrc = remote.sources.front().ssrc;
    }
    media.nack = hasFeedback(codec, "nack");
    media.pli = hasFeedback(codec, "nack pli");
    media.remb = hasFeedback(codec, "goog-remb");
    media.headerExtensions = std::move(extensions);
    return media;
}

void store(NegotiatedSession& session, const std::string& kind, NegotiatedSession::Media media)
{
    (kind == "audio" ? session.audio : session.video) = std::move(media);
}

MediaDirection answerDirection(MediaDirection offered)
{
    switch (offered) {
    case MediaDirection::SendOnly:
        return MediaDirection::RecvOnly;
    case MediaDirection::RecvOnly:
        return MediaDirection::SendOnly;
    default:
        return offered;
    }
}

}

SessionDescription SdpNegotiator::makeOffer(const SdpLocalParameters& local)
{
    SessionDescription offer;
    offer.sessionId = local.sessionId;
    offer.sessionVersion = local.sessionVersion;
    if (local.trickle) {
        offer.iceOptions.push_back("trickle");
    }
    std::map<std::string, uint16_t> extensionIds;
    for (std::string_view kind : { "audio", "video" }) {
        auto codecs = registeredFormats(kind, local);
        if (codecs.empty()) {
            continue;
        }
        auto media = localSection(kind, std::to_string(offer.media.size()), local, std::move(codecs));
        media.setup = DtlsSetup::ActPass;
        // One-byte header ids run from 1 to 14; the same URI keeps its id in both sections.
        for (const auto& uri : kind == "audio" ? local.audioExtensions : local.videoExtensions) {
            const auto id = extensionIds.emplace(uri, static_cast<uint16_t>(extensionIds.size() + 1)).first->second;
            if (id <= 14) {
                media.headerExtensions.push_back(SdpHeaderExtension { id, uri });
            }
        }
        offer.bundle.push_back(media.mid);
        offer.media.push_back(std::move(media));
    }
    return offer;
}

SdpResult<NegotiatedSession> SdpNegotiator::readAnswer(const SessionDescription& offer, std::string_view answerText)
{
    using Result = SdpResult<NegotiatedSession>;
    auto read = SdpReader::read(answerText);
    if (!read.ok()) {
        return Result::failure("the answer cannot be read: " + read.error());
    }
    const auto& answer = read.value();
    if (answer.media.size() != offer.media.size()) {
        return Result::failure("the answer has " + std::to_string(answer.media.size()) + " sections for our " + std::to_string(offer.media.size()));
    }
    NegotiatedSession session;
    for (size_t i = 0; i < offer.media.size(); ++i) {
        const auto& ours = offer.media[i];
        const auto& theirs = answer.media[i];
        if (theirs.kind != ours.kind || theirs.mid != ours.mid) {
            return Result::failure("answer section " + std::to_string(i) + " is not our " + ours.kind + " section " + ours.mid);
        }
        if (theirs.port == 0) {
            continue;
        }
        if (std::find(answer.bundle.begin(), answer.bundle.end(), theirs.mid) == answer.bundle.end()) {
            return Result::failure("section " + theirs.mid + " is not in the answer's BUNDLE group");
        }
        for (const auto& extension : theirs.headerExtensions) {
            if (std::find(ours.headerExtensions.begin(), ours.headerExtensions.end(), extension) == ours.headerExtensions.end()) {
                return Result::failure("the answer adds header extension " + extension.uri);
            }
        }
        const auto chosen = std::find_if(theirs.codecs.begin(), theirs.codecs.end(), [&](const SdpCodec& codec) {
            return std::any_of(ours.codecs.begin(), ours.codecs.end(), [&](const SdpCodec& offered) { return sameFormat(offered, codec); });
        });
        if (chosen == theirs.codecs.end()) {
            return Result::failure("the answer chose no " + ours.kind + " codec we offered");
        }
        store(session, ours.kind, agreedMedia(theirs, *chosen, answerDirection(theirs.direction), theirs.headerExtensions));
    }
    if (auto error = readTransport(answer, session)) {
        return Result::failure(*error);
    }
    // Without a setup line the answerer is active (RFC 4145); actpass is the offerer's only.
    const auto setup = std::find_if(answer.media.begin(), answer.media.end(), [](const SdpMedia& m) { return m.port != 0; })->setup;
    if (setup == DtlsSetup::ActPass) {
        return Result::failure("the answer's setup is actpass");
    }
    session.dtlsClient = setup == DtlsSetup::Passive;
    return Result::success(std::move(session));
}

SdpResult<std::pair<SessionDescription, NegotiatedSession>> SdpNegotiator::makeAnswer(std::string_view offerText, const SdpLocalParameters& local)
{
    using Result = SdpResult<std::pair<SessionDescription, NegotiatedSession>>;
    auto read = SdpReader::read(offerText);
    if (!read.ok()) {
        return Result::failure("the offer cannot be read: " + read.error());
    }
    const auto& offer = read.value();
    SessionDescription answer;
    answer.sessionId = local.sessionId;
    answer.sessionVersion = local.sessionVersion;
    NegotiatedSession session;
    // The offer's sections that we accept, and so read the far side's transport from.
    SessionDescription accepted = offer;
    // Extension ids our answer uses, across the bundle. The far side may give one id two
    // meanings in different sections (aiortc does); our answer keeps the first only.
    std::map<uint16_t, std::string> extensionIds;
    for (size_t i = 0; i < offer.media.size(); ++i) {
        const auto& theirs = offer.media[i];
        const bool taken = (theirs.kind == "audio" && !session.audio) || (theirs.kind == "video" && !session.video);
        const auto ours = registeredFormats(theirs.kind, local);
        const auto chosen = std::find_if(theirs.codecs.begin(), theirs.codecs.end(), [&](const SdpCodec& codec) {
            return std::any_of(ours.begin(), ours.end(), [&](const SdpCodec& c) { return sameFormat(c, codec); });
        });
        const bool bundled = std::find(offer.bundle.begin(), offer.bundle.end(), theirs.mid) != offer.bundle.end();
        if (theirs.port == 0 || !taken || !bundled || theirs.protocol.find("SAVPF") == std::string::npos || chosen == theirs.codecs.end()) {
            SdpMedia rejected;
            rejected.kind = theirs.kind;
            rejected.port = 0;
            rejected.protocol = theirs.protocol;
            rejected.formats = theirs.formats;
            rejected.mid = theirs.mid;
            rejected.direction = MediaDirection::Inactive;
            answer.media.push_back(std::move(rejected));
            accepted.media[i].port = 0;
            continue;
        }
        SdpCodec codec = *chosen;
        std::erase_if(codec.feedback, [&](const std::string& feedback) {
            const auto& supported = std::find_if(ours.begin(), ours.end(), [&](const SdpCodec& c) { return sameFormat(c, codec); })->feedback;
            return std::find(supported.begin(), supported.end(), feedback) == supported.end();
        });
        auto media = localSection(theirs.kind, theirs.mid, local, { codec });
        media.direction = answerDirection(theirs.direction);
        media.setup = theirs.setup == DtlsSetup::Active ? DtlsSetup::Passive : DtlsSetup::Active;
        const auto& known = theirs.kind == "audio" ? local.audioExtensions : local.videoExtensions;
        std::copy_if(theirs.headerExtensions.begin(), theirs.headerExtensions.end(), std::back_inserter(media.headerExtensions),
            [&](const SdpHeaderExtension& e) {
                if (std::find(known.begin(), known.end(), e.uri) == known.end()) {
                    return false;
                }
                const auto [used, added] = extensionIds.emplace(e.id, e.uri);
                return used->second == e.uri
                    && std::none_of(extensionIds.begin(), extensionIds.end(), [&](const auto& u) { return u.second == e.uri && u.first != e.id; });
            });
        store(session, theirs.kind, agreedMedia(theirs, codec, media.direction, media.headerExtensions));
        answer.bundle.push_back(media.mid);
        answer.media.push_back(std::move(media));
    }
    if (auto error = readTransport(accepted, session)) {
        return Result::failure(*error);
    }
    const auto setup = std::find_if(answer.media.begin(), answer.media.end(), [](const SdpMedia& m) { return m.port != 0; })->setup;
    session.dtlsClient = setup == DtlsSetup::Active;
    return Result::success(std::make_pair(std::move(answer), std::move(session)));
}

}
