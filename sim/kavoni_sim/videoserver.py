"""The video server: the offer and candidate exchange of a conference, answered by a real
WebRTC peer (peer.py) that sends a test pattern and a tone and records what the app sends.

  POST /api/v1/conferences/{session}/USER/{token}/sendSdpOffer
      {"sdpMessage", "isOffer": true, "tieBreaker"}: answered {"sdpMessage": the answer,
      "isOffer": false, "tieBreaker": 0}. Each offer with media starts a new link of the
      conference {session} (a re-link's offer closes the link before it). An offer without
      any media section gets a session description without media and no peer. An offer the
      peer cannot take gets 400 "INVALID_REQUEST".
  POST /api/v1/conferences/{session}/USER/{token}/sendCandidate
      {"sdpCandidateAttribute": "candidate:...", "sdpMediaIndex": n}: added to the
      conference's current link; kept until the offer when none is there yet. {} or 400
      "INVALID_REQUEST".

Control API (under /__sim/video, never recorded, never subject to chosen answers; a bad call
answers 400 with a text):
  GET  /__sim/video                  {"links": [record, ...] oldest first, "faults": [...],
                                      "pendingCandidates": {session: n}, "now"}
  GET  /__sim/video/conference?session=S
                                     the record of the conference's newest link (without
                                     "session": of the newest link of all); 404 when none
  POST /__sim/video/drop     {"session"}: closes the conference's open link (without
                             "session": the newest open link), so the app sees its link go
                             down. {"dropped": n, "at"}
  POST /__sim/video/answer   {"fault": "refuse" | "notJson" | "notSdp" | "delay",
                              "status": 503, "seconds": 2.0, "count": 1, "session"}: the next
                             `count` offers (of that conference, or any) are refused with
                             `status`, answered 200 with a body that is not JSON, or with JSON
                             whose "sdpMessage" is not SDP, or handled `seconds` late. {"id"}
  POST /__sim/video/loss     {"session", "percent"}: the conference's open link (without
                             "session": the newest open link) loses `percent` (0 to 100) of the
                             RTP packets the app sends, evenly spread, until set again; its
                             receiver reports tell the app so. {"links": n}
  POST /__sim/video/reset    closes every link and forgets the records, faults and kept
                             candidates; POST /__sim/reset does the same. {"closed": n}
"""
import asyncio
import itertools
import logging
from dataclasses import dataclass
from typing import Callable, Optional
from urllib.parse import parse_qs

from aiohttp import web

from . import fixtures
from .answers import error_answer, json_answer, ok
from .control import ControlError, post_control
from .routing import Call, Router

CONFERENCE = "/api/v1/conferences/{session}/USER/{token}"
CONTROL_PATH = "/__sim/video"

# Bounds on what the app (or a stray client) can make the sim hold.
MAX_OPEN_LINKS = 8
MAX_RECORDS = 64
MAX_KEPT_CANDIDATES = 64
MAX_SESSIONS_WAITING = 64
MAX_DELAY_SECONDS = 600

FAULTS = ("refuse", "notJson", "notSdp", "delay")
GARBLED_TEXT = "<html><body>502 Bad Gateway</body></html>"
GARBLED_SDP = "this is no session description"

log = logging.getLogger("kavoni_sim")


@dataclass
class Fault:
    id: int
    kind: str
    status: int
    seconds: float
    session: Optional[str]
    remaining: int

    def describe(self) -> dict:
        return {"id": self.id, "fault": self.kind, "status": self.status, "seconds": self.seconds,
                "session": self.session, "count": self.remaining}


class VideoServer:
    def __init__(self, now: Callable[[], float]) -> None:
        self._now = now
        self._links: list = []  # every Peer still on record, oldest first
        self._open: dict = {}  # session -> its current Peer
        self._kept: dict[str, list[tuple[str, int]]] = {}
        self._faults: list[Fault] = []
        self._numbers = itertools.count(1)
        self._fault_ids = itertools.count(1)

    def register(self, router: Router) -> None:
        router.add("POST", CONFERENCE + "/sendSdpOffer", self.send_sdp_offer)
        router.add("POST", CONFERENCE + "/sendCandidate", self.send_candidate)

    # -- the app's calls ----------------------------------------------------------------------

    async def send_sdp_offer(self, call: Call) -> web.StreamResponse:
        body = call.json()
        if (not isinstance(body, dict) or not isinstance(body.get("sdpMessage"), str)
                or body.get("isOffer", True) is not True):
            return error_answer(400, "INVALID_REQUEST")
        session, token = call.params["session"], call.params["token"]
        fault = self._take_fault(session)
        if fault is not None:
            log.info("offer of %s: fault %d (%s)", session, fault.id, fault.kind)
            if fault.kind == "refuse":
                return error_answer(fault.status, "INTERNAL")
            if fault.kind == "notJson":
                return web.Response(text=GARBLED_TEXT, content_type="application/json")
            if fault.kind == "notSdp":
                return json_answer({"sdpMessage": GARBLED_SDP, "isOffer": False, "tieBreaker": 0})
            await asyncio.sleep(fault.seconds)

        from . import peer as peers  # the media stack loads with the first conference
        if not peers.has_media(body["sdpMessage"]):
            return json_answer(fixtures.SDP_ANSWER)
        link = await self._open_link(peers, session, token)
        try:
            answer = await link.answer(body["sdpMessage"])
        except peers.OfferError as error:
            log.warning("offer of %s refused: %s", session, error)
            await self._close(link, f"offer refused: {error}")
            return error_answer(400, "INVALID_REQUEST")
        except asyncio.CancelledError:
            asyncio.ensure_future(self._close(link, "the app left before the answer"))
            raise
        for attribute, index in self._kept.pop(session, []):
            try:
                await link.add_candidate(attribute, index)
            except ValueError as error:
                log.warning("kept candidate of %s refused: %s", session, error)
        return json_answer({"sdpMessage": answer, "isOffer": False, "tieBreaker": 0})

    async def send_candidate(self, call: Call) -> web.StreamResponse:
        body = call.json()
        attribute = body.get("sdpCandidateAttribute") if isinstance(body, dict) else None
        index = body.get("sdpMediaIndex", 0) if isinstance(body, dict) else None
        if (not isinstance(attribute, str) or not isinstance(index, int)
                or isinstance(index, bool) or index < 0):
            return error_answer(400, "INVALID_REQUEST")
        from . import peer as peers
        session = call.params["session"]
        link = self._open.get(session)
        try:
            if link is not None and link.record["answer"] is not None:
                await link.add_candidate(attribute, index)
            else:
                peers.parse_candidate(attribute)
                self._keep(session, attribute, index)
        except ValueError as error:
            log.warning("candidate of %s refused: %s", session, error)
            return error_answer(400, "INVALID_REQUEST")
        return ok()

    def _keep(self, session: str, attribute: str, index: int) -> None:
        kept = self._kept.get(session)
        if kept is None:
            if len(self._kept) >= MAX_SESSIONS_WAITING:
                del self._kept[next(iter(self._kept))]
            kept = self._kept[session] = []
        if len(kept) >= MAX_KEPT_CANDIDATES:
            raise ValueError(f"more than {MAX_KEPT_CANDIDATES} candidates before the offer")
        kept.append((attribute, index))

    # -- links ----------------------------------------------------------------------------------

    async def _open_link(self, peers, session: str, token: str):
        previous = self._open.pop(session, None)
        if previous is not None:
            await self._close(previous, "replaced by a new offer")
        live = list(self._open.values())
        if len(live) >= MAX_OPEN_LINKS:
            await self._close(live[0], f"more than {MAX_OPEN_LINKS} open links")
        link = peers.Peer(next(self._numbers), session, token, self._now)
        link.record["link"] = 1 + sum(1 for p in self._links if p.session == session)
        link.on_end = lambda ended, why: asyncio.ensure_future(self._close(ended, why))
        self._open[session] = link
        self._links.append(link)
        while len(self._links) > MAX_RECORDS:
            oldest = next((p for p in self._links if p.closed), None)
            if oldest is None:
                break
            self._links.remove(oldest)
        return link

    async def _close(self, link, end: str) -> None:
        if self._open.get(link.session) is link:
            del self._open[link.session]
        await link.close(end)

    async def reset(self) -> int:
        open_links = list(self._open.values())
        self._open.clear()
        self._links.clear()
        self._kept.clear()
        self._faults.clear()
        await asyncio.gather(*(link.close("reset") for link in open_links))
        return len(open_links)

    async def shutdown(self) -> None:
        open_links = list(self._open.values())
        self._open.clear()
        await asyncio.gather(*(link.close("sim stopping") for link in open_links))

    # -- faults ---------------------------------------------------------------------------------

    def _take_fault(self, session: str) -> Optional[Fault]:
        for fault in self._faults:
            if fault.session in (None, session):
                fault.remaining -= 1
                if fault.remaining == 0:
                    self._faults.remove(fault)
                return fault
        return None

    def _add_fault(self, control: dict) -> Fault:
        kind = control.get("fault")
        status = control.get("status", 503)
        seconds = control.get("seconds", 0)
        count = control.get("count", 1)
        session = control.get("session")
        if kind not in FAULTS:
            raise ControlError(f"\"fault\" must be one of {', '.join(FAULTS)}")
        if not _integer(status) or not 400 <= status <= 599:
            raise ControlError("\"status\" must be an HTTP error status (400 to 599)")
        if (not isinstance(seconds, (int, float)) or isinstance(seconds, bool)
                or not 0 <= seconds <= MAX_DELAY_SECONDS):
            raise ControlError(f"\"seconds\" must be a number from 0 to {MAX_DELAY_SECONDS}")
        if kind == "delay" and seconds <= 0:
            raise ControlError("a delay needs \"seconds\" above 0")
        if not _integer(count) or count < 1:
            raise ControlError("\"count\" must be a positive number")
        if session is not None and not isinstance(session, str):
            raise ControlError("\"session\" must be a text")
        fault = Fault(next(self._fault_ids), kind, status, float(seconds), session, count)
        # Faults are taken in the order they were set, so a test can line up several.
        self._faults.append(fault)
        return fault

    # -- control API ----------------------------------------------------------------------------

    async def handle_control(self, request: web.Request, path: str) -> web.Response:
        if request.method == "GET" and path == CONTROL_PATH:
            return json_answer(await self._state())
        if request.method == "GET" and path == CONTROL_PATH + "/conference":
            query = parse_qs(request.query_string)
            session = query["session"][0] if "session" in query else None
            link = next((p for p in reversed(self._links)
                         if session is None or p.session == session), None)
            if link is None:
                return web.Response(status=404, text="no such conference\n")
            await link.refresh_stats()
            return json_answer(link.record)
        return await post_control(request, path, CONTROL_PATH, "video server", self._control)

    async def _control(self, action: str, control: dict) -> Optional[dict]:
        if action == "drop":
            link = self._link_of(control)
            if link is not None:
                await self._close(link, "dropped by the test")
            return {"dropped": 0 if link is None else 1, "at": self._now()}
        if action == "loss":
            link = self._link_of(control)
            percent = control.get("percent")
            if (not isinstance(percent, (int, float)) or isinstance(percent, bool)
                    or not 0 <= percent <= 100):
                raise ControlError("\"percent\" must be a number from 0 to 100")
            if link is not None:
                link.set_loss(float(percent))
                log.info("video link %d of %s loses %s %% of the app's RTP", link.record["id"],
                         link.session, percent)
            return {"links": 0 if link is None else 1}
        if action == "answer":
            fault = self._add_fault(control)
            log.info("video fault %d: %s", fault.id, fault.describe())
            return {"id": fault.id}
        if action == "reset":
            return {"closed": await self.reset()}
        return None

    def _link_of(self, control: dict):
        """The open link a control call names by "session" (the newest open link without)."""
        session = control.get("session")
        if session is not None and not isinstance(session, str):
            raise ControlError("\"session\" must be a text")
        if session is None:
            return next(reversed(self._open.values()), None)
        return self._open.get(session)

    async def _state(self) -> dict:
        for link in self._open.values():
            await link.refresh_stats()
        return {"links": [p.record for p in self._links],
                "faults": [f.describe() for f in self._faults],
                "pendingCandidates": {s: len(c) for s, c in self._kept.items()},
                "now": self._now()}


def _integer(value) -> bool:
    return isinstance(value, int) and not isinstance(value, bool)
