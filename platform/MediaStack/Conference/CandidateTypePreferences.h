#pragma once
// The class-wide ICE candidate type preferences of the conference layer: the priorities of
// the candidate lines our links write. The value type lives with the ICE transport, which
// reads the process-wide copy whenever a link is made.
#include "MediaStack/Ice/CandidatePolicy.h"

using CandidateTypePreferences = media::CandidateTypePreferences;
