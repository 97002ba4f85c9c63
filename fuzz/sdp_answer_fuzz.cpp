// The far side's SDP: read as the answer to our offer, as an offer we answer, and by the
// reader alone. Properties: the reader keeps to its caps (sections, codecs, feedback values
// once each, candidates); what the writer makes of what was read holds no control character
// inside a line and no repeated feedback line, reads back, and writes back the same; our own
// offer reads back as written.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "MediaStack/Sdp/SdpNegotiator.h"
#include "MediaStack/Sdp/SdpReader.h"
#include "MediaStack/Sdp/SdpWriter.h"
#include "tests/platform/MediaStack/Sdp/SdpFixtures.h"

using namespace mediastack::sdp;

namespace {

const SdpLocalParameters& parameters()
{
    static const SdpLocalParameters local = [] {
        auto p = sdpfixtures::ourParameters();
        p.audioExtensions = { "urn:ietf:params:rtp-hdrext:ssrc-audio-level", "urn:ietf:params:rtp-hdrext:sdes:mid" };
        p.videoExtensions = { "urn:ietf:params:rtp-hdrext:sdes:mid", "http://www.webrtc.org/experiments/rtp-hdrext/abs-send-time" };
        return p;
    }();
    return local;
}

// Lines end in CRLF, hold no other control character, and no section repeats a feedback line.
void checkWritten(const std::string& text)
{
    std::set<std::string> feedback;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        FUZZ_CHECK(end != std::string::npos);
        const std::string_view line(text.data() + start, end - start);
        FUZZ_CHECK(line.size() >= 2 && line[1] == '=');
        for (char c : line)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 || c == '\t');
        if (line.starts_with("m="))
            feedback.clear();
        // A mid is a token: the BUNDLE group names mids separated by blanks.
        if (line.starts_with("a=mid:"))
            FUZZ_CHECK(line.find(' ') == std::string_view::npos);
        if (line.starts_with("a=rtcp-fb:"))
            FUZZ_CHECK(feedback.emplace(line).second);
        start = end + 2;
    }
}

void checkRoundTrip(const SessionDescription& description)
{
    const auto written = SdpWriter::write(description);
    checkWritten(written);
    if (written.size() > SdpReader::maxTextLength)
        return;
    const auto again = SdpReader::read(written);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(SdpWriter::write(again.value()) == written);
}

void checkCaps(const SessionDescription& description)
{
    FUZZ_CHECK(description.media.size() <= SdpReader::maxMediaSections);
    for (const auto& media : description.media) {
        FUZZ_CHECK(media.codecs.size() <= SdpReader::maxCodecsPerSection);
        FUZZ_CHECK(media.candidates.size() <= SdpReader::maxCandidatesPerSection);
        FUZZ_CHECK(media.sources.size() <= SdpReader::maxSourcesPerSection);
        FUZZ_CHECK(media.headerExtensions.size() <= SdpReader::maxExtensionsPerSection);
        for (const auto& codec : media.codecs) {
            FUZZ_CHECK(codec.feedback.size() <= SdpReader::maxFeedbackPerCodec);
            FUZZ_CHECK(std::set<std::string>(codec.feedback.begin(), codec.feedback.end()).size() == codec.feedback.size());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const SessionDescription offer = [] {
        auto made = SdpNegotiator::makeOffer(parameters());
        checkRoundTrip(made);
        return made;
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    (void)SdpNegotiator::readAnswer(offer, text);
    const auto read = SdpReader::read(text);
    if (read.ok()) {
        checkCaps(read.value());
        checkRoundTrip(read.value());
    }
    const auto answered = SdpNegotiator::makeAnswer(text, parameters());
    if (answered.ok())
        checkRoundTrip(answered.value().first);
    return 0;
}
