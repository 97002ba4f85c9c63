#include "MediaStack/Sdp/SdpWriter.h"

#include <algorithm>
#include <cstdio>

#include "MediaStack/Sdp/CandidateLine.h"

namespace mediastack::sdp {

namespace {

const char* directionName(MediaDirection direction)
{
    switch (direction) {
    case MediaDirection::SendRecv:
        return "sendrecv";
    case MediaDirection::SendOnly:
        return "sendonly";
    case MediaDirection::RecvOnly:
        return "recvonly";
    case MediaDirection::Inactive:
        return "inactive";
    }
    return "sendrecv";
}

const char* setupName(DtlsSetup setup)
{
    switch (setup) {
    case DtlsSetup::ActPass:
        return "actpass";
    case DtlsSetup::Active:
        return "active";
    case DtlsSetup::Passive:
        return "passive";
    }
    return "actpass";
}

std::string fingerprintText(const SdpFingerprint& fingerprint)
{
    std::string out = fingerprint.algorithm + " ";
    for (size_t i = 0; i < fingerprint.digest.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", fingerprint.digest[i]);
        out += (i ? ":" : "") + std::string(hex);
    }
    return out;
}

class Lines {
public:
    void add(const std::string& line) { m_text += line + "\r\n"; }
    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
};

void writeMedia(Lines& lines, const SdpMedia& media)
{
    const bool rtp = media.protocol.find("RTP") != std::string::npos && !media.codecs.empty();
    const IceCandidate* fallback = media.candidates.empty() ? nullptr : &media.candidates.front();
    const std::string address = fallback ? fallback->address : "0.0.0.0";
    const std::string family = address.find(':') != std::string::npos ? "IP6" : "IP4";
    const uint16_t port = media.port == 0 ? 0 : (fallback ? fallback->port : media.port);

    std::string mline = "m=" + media.kind + " " + std::to_string(port) + " " + media.protocol;
    if (rtp) {
        for (const auto& codec : media.codecs) {
            mline += " " + std::to_string(codec.payloadType);
        }
    } else {
        for (const auto& format : media.formats) {
            mline += " " + format;
        }
    }
    lines.add(mline);
    lines.add("c=IN " + family + " " + address);
    lines.add(std::string("a=") + directionName(media.direction));
    if (!media.mid.empty()) {
        lines.add("a=mid:" + media.mid);
    }
    if (!media.streamId.empty()) {
        lines.add("a=msid:" + media.streamId + (media.trackId.empty() ? "" : " " + media.trackId));
    }
    if (media.rtcpMux) {
        lines.add("a=rtcp:9 IN IP4 0.0.0.0");
        lines.add("a=rtcp-mux");
    }
    if (media.rtcpReducedSize) {
        lines.add("a=rtcp-rsize");
    }
    for (const auto& source : media.sources) {
        lines.add("a=ssrc:" + std::to_string(source.ssrc) + " cname:" + source.cname);
    }
    for (const auto& extension : media.headerExtensions) {
        lines.add("a=extmap:" + std::to_string(extension.id) + " " + extension.uri);
    }
    if (rtp) {
        for (const auto& codec : media.codecs) {
            const auto pt = std::to_string(codec.payloadType);
            lines.add("a=rtpmap:" + pt + " " + codec.name + "/" + std::to_string(codec.clockRate)
                + (codec.channels > 1 ? "/" + std::to_string(codec.channels) : ""));
            // Each value once: a strict peer refuses a repeated feedback line.
            for (auto feedback = codec.feedback.begin(); feedback != codec.feedback.end(); ++feedback) {
                if (std::find(codec.feedback.begin(), feedback, *feedback) == feedback) {
                    lines.add("a=rtcp-fb:" + pt + " " + *feedback);
                }
            }
            if (!codec.formatParameters.empty()) {
                lines.add("a=fmtp:" + pt + " " + codec.formatParameters);
            }
        }
    }
    for (const auto& candidate : media.candidates) {
        lines.add("a=" + CandidateLine::write(candidate));
    }
    if (media.endOfCandidates) {
        lines.add("a=end-of-candidates");
    }
    if (!media.iceUfrag.empty()) {
        lines.add("a=ice-ufrag:" + media.iceUfrag);
    }
    if (!media.icePwd.empty()) {
        lines.add("a=ice-pwd:" + media.icePwd);
    }
    if (media.fingerprint) {
        lines.add("a=fingerprint:" + fingerprintText(*media.fingerprint));
    }
    if (media.setup) {
        lines.add(std::string("a=setup:") + setupName(*media.setup));
    }
}

}

std::string SdpWriter::write(const SessionDescription& description)
{
    Lines lines;
    lines.add("v=0");
    lines.add("o=- " + std::to_string(description.sessionId) + " " + std::to_string(description.sessionVersion) + " IN IP4 0.0.0.0");
    lines.add("s=-");
    lines.add("t=0 0");
    if (!description.bundle.empty()) {
        std::string group = "a=group:BUNDLE";
        for (const auto& mid : description.bundle) {
            group += " " + mid;
        }
        lines.add(group);
    }
    if (!description.iceOptions.empty()) {
        std::string options = "a=ice-options:";
        for (const auto& option : description.iceOptions) {
            options += (&option == &description.iceOptions.front() ? "" : " ") + option;
        }
        lines.add(options);
    }
    lines.add("a=msid-semantic:WMS *");
    for (const auto& media : description.media) {
        writeMedia(lines, media);
    }
    return lines.take();
}

}
