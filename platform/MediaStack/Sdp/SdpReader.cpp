#include "MediaStack/Sdp/SdpReader.h"

#include <algorithm>
#include <map>

#include "MediaStack/Sdp/CandidateLine.h"
#include "MediaStack/Sdp/SdpText.h"

namespace mediastack::sdp {

namespace {

struct Transport {
    std::string iceUfrag;
    std::string icePwd;
    std::optional<SdpFingerprint> fingerprint;
    std::optional<DtlsSetup> setup;
};

// Attributes of one section that refer to payload types, gathered until the section ends,
// since they may come in any order.
struct PendingCodecs {
    std::map<uint8_t, SdpCodec> mapped;
    std::map<uint8_t, std::string> parameters;
    std::map<uint8_t, std::vector<std::string>> feedback;
    std::vector<std::string> feedbackForAll;
};

class Reading {
public:
    std::optional<std::string> line(char type, std::string_view value);
    std::optional<std::string> finish();

    SessionDescription description;

private:
    std::optional<std::string> mediaLine(std::string_view value);
    std::optional<std::string> attribute(std::string_view name, std::string_view value);
    std::optional<std::string> transportAttribute(Transport& transport, std::string_view name, std::string_view value, bool& handled);
    void endSection();

    Transport m_session;
    std::vector<Transport> m_sectionTransports;
    PendingCodecs m_pending;
    bool m_sawVersion = false;
};

std::optional<uint8_t> payloadType(std::string_view text)
{
    const auto value = SdpText::number(text, 127);
    return value ? std::optional<uint8_t>(static_cast<uint8_t>(*value)) : std::nullopt;
}

// A feedback value once per payload type however often it is written (for all types and for
// this one, say), and no more than a codec can use: what the far side repeats costs nothing.
void addFeedback(std::vector<std::string>& feedback, std::string_view kind)
{
    if (feedback.size() < SdpReader::maxFeedbackPerCodec && std::find(feedback.begin(), feedback.end(), kind) == feedback.end()) {
        feedback.emplace_back(kind);
    }
}

// RFC 8866 token characters: a mid is one (RFC 5888), and the BUNDLE group lists mids
// separated by spaces, so a mid with any other character could not be written back.
bool isToken(std::string_view text)
{
    return !text.empty() && text.size() <= 256 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || std::string_view("!#$%&'*+-.^_`{|}~").find(c) != std::string_view::npos;
    });
}

bool isIceText(std::string_view text)
{
    return !text.empty() && text.size() <= 256 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
    });
}

std::optional<SdpFingerprint> readFingerprint(std::string_view value)
{
    const auto fields = SdpText::split(value);
    if (fields.size() != 2) {
        return std::nullopt;
    }
    SdpFingerprint fingerprint;
    std::transform(fields[0].begin(), fields[0].end(), std::back_inserter(fingerprint.algorithm), SdpText::lower);
    for (const auto pair : SdpText::split(fields[1], ':')) {
        uint8_t byte = 0;
        const auto [end, ec] = std::from_chars(pair.data(), pair.data() + pair.size(), byte, 16);
        if (pair.size() != 2 || ec != std::errc() || end != pair.data() + pair.size() || fingerprint.digest.size() >= 64) {
            return std::nullopt;
        }
        fingerprint.digest.push_back(byte);
    }
    if (fingerprint.digest.empty()) {
        return std::nullopt;
    }
    return fingerprint;
}

std::optional<DtlsSetup> readSetup(std::string_view value)
{
    if (value == "actpass") {
        return DtlsSetup::ActPass;
    }
    if (value == "active") {
        return DtlsSetup::Active;
    }
    if (value == "passive") {
        return DtlsSetup::Passive;
    }
    return std::nullopt;
}

std::optional<std::string> Reading::line(char type, std::string_view value)
{
    if (!m_sawVersion) {
        if (type != 'v' || value != "0") {
            return "the text does not begin with v=0";
        }
        m_sawVersion = true;
        return std::nullopt;
    }
    if (type == 'm') {
        return mediaLine(value);
    }
    if (type == 'o' && description.media.empty()) {
        const auto fields = SdpText::split(value);
        if (fields.size() >= 3) {
            description.sessionId = SdpText::number(fields[1], UINT64_MAX).value_or(0);
            description.sessionVersion = SdpText::number(fields[2], UINT64_MAX).value_or(0);
        }
        return std::nullopt;
    }
    if (type != 'a') {
        return std::nullopt;
    }
    const size_t colon = value.find(':');
    const auto name = value.substr(0, colon);
    const auto rest = colon == std::string_view::npos ? std::string_view {} : value.substr(colon + 1);
    return attribute(name, rest);
}

std::optional<std::string> Reading::mediaLine(std::string_view value)
{
    endSection();
    if (description.media.size() >= SdpReader::maxMediaSections) {
        return "too many media sections";
    }
    const auto fields = SdpText::split(value);
    if (fields.size() < 4) {
        return "an m-line has fewer than four fields";
    }
    const auto portText = fields[1].substr(0, fields[1].find('/'));
    const auto port = SdpText::number(portText, 65535);
    if (!port) {
        return "an m-line has no valid port";
    }
    SdpMedia media;
    media.kind = std::string(fields[0]);
    media.port = static_cast<uint16_t>(*port);
    media.protocol = std::string(fields[2]);
    for (size_t i = 3; i < fields.size() && media.formats.size() < SdpReader::maxCodecsPerSection; ++i) {
        media.formats.emplace_back(fields[i]);
    }
    description.media.push_back(std::move(media));
    m_sectionTransports.emplace_back();
    return std::nullopt;
}

std::optional<std::string> Reading::transportAttribute(Transport& transport, std::string_view name, std::string_view value, bool& handled)
{
    handled = true;
    if (name == "ice-ufrag" || name == "ice-pwd") {
        if (!isIceText(value)) {
            return std::string(name) + " is not valid";
        }
        (name == "ice-ufrag" ? transport.iceUfrag : transport.icePwd) = std::string(value);
    } else if (name == "fingerprint") {
        transport.fingerprint = readFingerprint(value);
        if (!transport.fingerprint) {
            return "a fingerprint is not valid";
        }
    } else if (name == "setup") {
        transport.setup = readSetup(value);
        if (!transport.setup) {
            return "a setup value is not actpass, active or passive";
        }
    } else {
        handled = false;
    }
    return std::nullopt;
}

std::optional<std::string> Reading::attribute(std::string_view name, std::string_view value)
{
    const bool session = description.media.empty();
    bool handled = false;
    auto error = transportAttribute(session ? m_session : m_sectionTransports.back(), name, value, handled);
    if (error || handled) {
        return error;
    }
    if (session) {
        if (name == "group") {
            auto fields = SdpText::split(value);
            if (fields.empty()) {
                return "a group has no semantics";
            }
            if (fields[0] == "BUNDLE") {
                description.bundle.assign(fields.begin() + 1, fields.end());
            }
        }
        if (name == "ice-options") {
            auto options = SdpText::split(value);
            description.iceOptions.assign(options.begin(), options.end());
        }
        return std::nullopt;
    }

    auto& media = description.media.back();
    const auto fields = SdpText::split(value);
    if (name == "mid") {
        if (!isToken(value)) {
            return "a mid is not a token";
        }
        media.mid = std::string(value);
    } else if (name == "sendrecv" || name == "sendonly" || name == "recvonly" || name == "inactive") {
        media.direction = name == "sendrecv" ? MediaDirection::SendRecv
            : name == "sendonly"             ? MediaDirection::SendOnly
            : name == "recvonly"             ? MediaDirection::RecvOnly
                                             : MediaDirection::Inactive;
    } else if (name == "rtcp-mux") {
        media.rtcpMux = true;
    } else if (name == "rtcp-rsize") {
        media.rtcpReducedSize = true;
    } else if (name == "end-of-candidates") {
        media.endOfCandidates = true;
    } else if (name == "msid") {
        if (!fields.empty()) {
            media.streamId = std::string(fields[0]);
            media.trackId = fields.size() > 1 ? std::string(fields[1]) : std::string();
        }
    } else if (name == "candidate") {
        if (media.candidates.size() < SdpReader::maxCandidatesPerSection) {
            if (auto candidate = CandidateLine::read(std::string("candidate:").append(value))) {
                media.candidates.push_back(std::move(*candidate));
            }
        }
    } else if (name == "rtpmap") {
        const auto pt = fields.size() == 2 ? payloadType(fields[0]) : std::nullopt;
        const auto encoding = fields.size() == 2 ? SdpText::split(fields[1], '/') : std::vector<std::string_view> {};
        const auto clock = encoding.size() >= 2 ? SdpText::number(encoding[1], UINT32_MAX) : std::nullopt;
        const auto channels = encoding.size() == 3 ? SdpText::number(encoding[2], 255) : std::optional<uint64_t>(0);
        if (!pt || encoding.size() > 3 || !clock || *clock == 0 || !channels) {
            return "an rtpmap is not valid";
        }
        if (m_pending.mapped.size() < SdpReader::maxCodecsPerSection) {
            m_pending.mapped[*pt] = SdpCodec { *pt, std::string(encoding[0]), static_cast<uint32_t>(*clock), static_cast<uint32_t>(*channels), {}, {} };
        }
    } else if (name == "fmtp") {
        const size_t space = value.find(' ');
        if (auto pt = payloadType(value.substr(0, space)); pt && space != std::string_view::npos) {
            m_pending.parameters[*pt] = std::string(value.substr(space + 1));
        }
    } else if (name == "rtcp-fb") {
        const size_t space = value.find(' ');
        if (space != std::string_view::npos) {
            const auto target = value.substr(0, space);
            const auto kind = value.substr(space + 1);
            if (target == "*") {
                addFeedback(m_pending.feedbackForAll, kind);
            } else if (auto pt = payloadType(target)) {
                addFeedback(m_pending.feedback[*pt], kind);
            }
        }
    } else if (name == "extmap") {
        const auto idText = fields.empty() ? std::string_view {} : fields[0].substr(0, fields[0].find('/'));
        const auto id = SdpText::number(idText, 255);
        if (fields.size() < 2 || !id || *id == 0 || *id == 15) {
            return "an extmap is not valid";
        }
        if (media.headerExtensions.size() < SdpReader::maxExtensionsPerSection) {
            media.headerExtensions.push_back(SdpHeaderExtension { static_cast<uint16_t>(*id), std::string(fields[1]) });
        }
    } else if (name == "ssrc") {
        const auto ssrc = fields.empty() ? std::nullopt : SdpText::number(fields[0], UINT32_MAX);
        if (!ssrc || fields.size() < 2) {
            return "an ssrc line is not valid";
        }
        auto source = std::find_if(media.sources.begin(), media.sources.end(), [&](const SdpSource& s) { return s.ssrc == *ssrc; });
        if (source == media.sources.end()) {
            if (media.sources.size() >= SdpReader::maxSourcesPerSection) {
                return std::nullopt;
            }
            source = media.sources.insert(media.sources.end(), SdpSource { static_cast<uint32_t>(*ssrc), {} });
        }
        if (fields[1].starts_with("cname:")) {
            source->cname = std::string(fields[1].substr(6));
        }
    }
    return std::nullopt;
}

void Reading::endSection()
{
    if (description.media.empty()) {
        return;
    }
    auto& media = description.media.back();
    if (media.protocol.find("RTP") != std::string::npos) {
        for (const auto& format : media.formats) {
            const auto pt = payloadType(format);
            const auto mapped = pt ? m_pending.mapped.find(*pt) : m_pending.mapped.end();
            if (mapped == m_pending.mapped.end()) {
                continue; // a static payload type without rtpmap: not one the stack sends
            }
            if (std::any_of(media.codecs.begin(), media.codecs.end(), [&](const SdpCodec& c) { return c.payloadType == *pt; })) {
                continue; // listed twice in the m-line: still one codec
            }
            SdpCodec codec = mapped->second;
            if (auto p = m_pending.parameters.find(*pt); p != m_pending.parameters.end()) {
                codec.formatParameters = p->second;
            }
            codec.feedback = m_pending.feedbackForAll;
            if (auto f = m_pending.feedback.find(*pt); f != m_pending.feedback.end()) {
                for (const auto& kind : f->second) {
                    addFeedback(codec.feedback, kind);
                }
            }
            media.codecs.push_back(std::move(codec));
        }
    }
    m_pending = PendingCodecs {};
}

std::optional<std::string> Reading::finish()
{
    if (!m_sawVersion) {
        return "the text is empty";
    }
    endSection();
    for (size_t i = 0; i < description.media.size(); ++i) {
        auto& media = description.media[i];
        const auto& own = m_sectionTransports[i];
        media.iceUfrag = !own.iceUfrag.empty() ? own.iceUfrag : m_session.iceUfrag;
        media.icePwd = !own.icePwd.empty() ? own.icePwd : m_session.icePwd;
        media.fingerprint = own.fingerprint ? own.fingerprint : m_session.fingerprint;
        media.setup = own.setup ? own.setup : m_session.setup;
    }
    return std::nullopt;
}

}

SdpResult<SessionDescription> SdpReader::read(std::string_view text)
{
    if (text.size() > maxTextLength) {
        return SdpResult<SessionDescription>::failure("the text is longer than " + std::to_string(maxTextLength) + " bytes");
    }
    Reading reading;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        auto line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        // A value keeps no control character: one written back into our SDP (an fmtp echoed
        // in an answer) would break the line there.
        if (std::any_of(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F; })) {
            return SdpResult<SessionDescription>::failure("a line holds a control character");
        }
        if (line.size() < 2 || line[1] != '=') {
            return SdpResult<SessionDescription>::failure("a line is not of the form x=value");
        }
        if (auto error = reading.line(line[0], line.substr(2))) {
            return SdpResult<SessionDescription>::failure(*error);
        }
    }
    if (auto error = reading.finish()) {
        return SdpResult<SessionDescription>::failure(*error);
    }
    return SdpResult<SessionDescription>::success(std::move(reading.description));
}

}
