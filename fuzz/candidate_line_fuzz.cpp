// A candidate line from the far side (in its SDP or trickled through the signalling channel),
// and the same line as the candidate policy reads it. Properties: one grammar (both readers
// agree); what is read writes back as a line without a control character that reads back the
// same, with or without "a=" and a line end.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "MediaStack/Ice/IceCandidate.h"
#include "MediaStack/Sdp/CandidateLine.h"

using mediastack::sdp::CandidateLine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto candidate = CandidateLine::read(text);
    const auto policyCandidate = media::IceCandidate::parse(text);
    FUZZ_CHECK(candidate.has_value() == policyCandidate.has_value());
    if (!candidate)
        return 0;
    FUZZ_CHECK(policyCandidate->address() == candidate->address && policyCandidate->priority() == candidate->priority);

    const auto written = CandidateLine::write(*candidate);
    FUZZ_CHECK(written.starts_with("candidate:"));
    for (char c : written)
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    FUZZ_CHECK(CandidateLine::read(written) == candidate);
    FUZZ_CHECK(CandidateLine::read("a=" + written + "\r\n") == candidate);
    auto policyLine = media::IceCandidate::parse(policyCandidate->line());
    FUZZ_CHECK(policyLine && policyLine->line() == policyCandidate->line());
    return 0;
}
