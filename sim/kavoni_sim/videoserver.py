"""The video server's REST side: the offer and candidate exchange of a conference.

  POST /api/v1/conferences/{session}/USER/{token}/sendSdpOffer    {"sdpMessage", "isOffer", ...}
  POST /api/v1/conferences/{session}/USER/{token}/sendCandidate   {"sdpCandidateAttribute", ...}
"""
from . import fixtures
from .answers import error_answer, json_answer, ok
from .routing import Call, Router

CONFERENCE = "/api/v1/conferences/{session}/USER/{token}"


async def send_sdp_offer(call: Call):
    body = call.json()
    if not isinstance(body, dict) or not isinstance(body.get("sdpMessage"), str):
        return error_answer(400, "INVALID_REQUEST")
    return json_answer(fixtures.SDP_ANSWER)


async def send_candidate(call: Call):
    if not isinstance(call.json(), dict):
        return error_answer(400, "INVALID_REQUEST")
    return ok()


def register(router: Router) -> None:
    router.add("POST", CONFERENCE + "/sendSdpOffer", send_sdp_offer)
    router.add("POST", CONFERENCE + "/sendCandidate", send_candidate)
