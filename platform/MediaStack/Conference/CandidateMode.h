#pragma once
// When a link's local candidates reach the far side: gathered into the offer (early, bounded
// by the conference's early-candidates time-out) or raised one by one as link-candidate
// events after an offer without any (late).
enum class CandidateMode : int {
    Early = 1,
    Late = 2,
};
