"""One link of a conference on the video server's side: an aiortc peer that answers the app's
offer, sends the test pattern and the tone, takes what the app sends, and keeps a record of
it for tests.

Everything runs on the sim's event loop; aiortc encodes and decodes in threads of its own.
"""
import asyncio
import logging
from typing import Callable, Optional

from aiortc import RTCConfiguration, RTCPeerConnection, RTCSessionDescription
from aiortc.mediastreams import MediaStreamError, MediaStreamTrack
from aiortc.rtcrtpsender import RTCRtpSender
from aiortc.rtcdtlstransport import certificate_digest
from aiortc.sdp import SessionDescription, candidate_from_sdp

from .media import BarsTrack, ToneTrack, gather_on_loopback

log = logging.getLogger("kavoni_sim")
gather_on_loopback()

# aiortc 1.4 drops the whole transport on a header extension it cannot parse, and the app's
# stack needs none of them: the answer offers no extension, so none is sent either way.
_UNWANTED_PREFIXES = ("a=extmap:", "a=extmap-allow-mixed")
_CODECS = {"audio": ("audio/opus",), "video": ("video/VP8", "video/rtx")}
_MAX_CANDIDATES = 64
# The app offers two; each section may cost a transport of its own.
_MAX_SECTIONS = 8
_SIZES_KEPT = 16


class OfferError(Exception):
    """The offer cannot be answered; the text says why, for the error answer and the log."""


def strip_extensions(sdp: str) -> tuple[str, list[str]]:
    """The offer without its header extensions, and the extensions' URIs."""
    kept, dropped = [], []
    for line in sdp.replace("\r\n", "\n").split("\n"):
        if line.startswith(_UNWANTED_PREFIXES):
            if line.startswith("a=extmap:"):
                parts = line.split()
                dropped.append(parts[1] if len(parts) > 1 else line)
            continue
        kept.append(line)
    return "\r\n".join(kept), dropped


def has_media(sdp: str) -> bool:
    return any(line.startswith("m=") for line in sdp.replace("\r", "\n").split("\n"))


def parse_candidate(attribute: str):
    """An aiortc candidate from the app's attribute text ("candidate:..." with or without
    "a="); ValueError when it is not one."""
    text = attribute.strip()
    if text.startswith("a="):
        text = text[2:]
    if not text.startswith("candidate:"):
        raise ValueError("the attribute does not start with \"candidate:\"")
    try:
        candidate = candidate_from_sdp(text[len("candidate:"):])
    except (AssertionError, ValueError, IndexError) as error:
        raise ValueError(f"not a candidate line ({str(error) or 'too few fields'})") from None
    if candidate.protocol.lower() not in ("udp", "tcp") or not 1 <= candidate.port <= 65535:
        raise ValueError("not a UDP or TCP candidate with a port")
    return candidate


class Peer:
    def __init__(self, number: int, session: str, token: str, now: Callable[[], float]) -> None:
        self._now = now
        self._pc = RTCPeerConnection(RTCConfiguration(iceServers=[]))
        self._bars = BarsTrack()
        self._tone = ToneTrack()
        self._readers: list[asyncio.Task] = []
        self._closing: Optional[asyncio.Task] = None
        # A lossy path from the app: the share of its RTP packets thrown away, spread evenly.
        self._loss_percent = 0.0
        self._loss_credit = 0.0
        # Told when the link ends without the server closing it: (peer, why).
        self.on_end: Optional[Callable[["Peer", str], None]] = None
        self.record = {
            "id": number,
            "session": session,
            "token": token,
            "openedAt": now(),
            "connectedAt": None,
            "closedAt": None,
            "end": None,
            "state": "new",
            "iceState": "new",
            "dtlsState": "new",
            "states": [],
            "offer": None,
            "answer": None,
            "extensionsIgnored": [],
            "codecs": {},
            "localFingerprint": None,
            "remoteFingerprint": None,
            "candidates": {"added": 0, "refused": []},
            "received": {"audio": _received(), "video": _received()},
            "sent": {"audio": 0, "video": 0},
            "stats": {},
            "loss": {"percent": 0, "dropped": 0},
        }
        self._pc.on("connectionstatechange", self._connection_state_changed)
        self._pc.on("iceconnectionstatechange", self._ice_state_changed)
        self._pc.on("track", self._track_arrived)

    @property
    def session(self) -> str:
        return self.record["session"]

    @property
    def closed(self) -> bool:
        return self.record["closedAt"] is not None or self._closing is not None

    async def answer(self, offer: str) -> str:
        """Takes the offer and gives the answer's SDP, candidates included; OfferError when
        the offer cannot be answered."""
        self.record["offer"] = offer
        sections = sum(1 for line in offer.split("\n") if line.startswith("m="))
        if sections > _MAX_SECTIONS:
            raise OfferError(f"{sections} media sections, more than {_MAX_SECTIONS}")
        stripped, dropped = strip_extensions(offer)
        self.record["extensionsIgnored"] = dropped
        for kind, track in (("audio", self._tone), ("video", self._bars)):
            transceiver = self._pc.addTransceiver(track, direction="sendrecv")
            wanted = _CODECS[kind]
            transceiver.setCodecPreferences(
                [c for c in RTCRtpSender.getCapabilities(kind).codecs if c.mimeType in wanted])
        try:
            await self._pc.setRemoteDescription(RTCSessionDescription(stripped, "offer"))
        except Exception as error:  # aiortc's parser raises whatever the text trips it on
            raise OfferError(f"the offer is not usable: {_describe(error)}") from None
        try:
            await self._pc.setLocalDescription(await self._pc.createAnswer())
        except Exception as error:
            raise OfferError(f"no answer to this offer: {_describe(error)}") from None
        answer = self._pc.localDescription.sdp
        self.record["answer"] = answer
        self.record["codecs"] = _negotiated_codecs(answer)
        transport = self._dtls()
        if transport is not None:
            self.record["localFingerprint"] = _fingerprint(
                transport.getLocalParameters().fingerprints)
            transport.on("statechange", self._dtls_state_changed)
            self._make_path_lossy(transport)
        return answer

    async def add_candidate(self, attribute: str, media_index: int) -> None:
        """ValueError when the candidate is refused; the refusal is recorded either way."""
        refused = self.record["candidates"]["refused"]
        try:
            candidate = parse_candidate(attribute)
            sections = {t._get_mline_index(): t for t in self._pc.getTransceivers()}
            if media_index not in sections:
                raise ValueError(f"there is no media section {media_index}")
            # The app names the section by index only, and aiortc's addIceCandidate matches
            # on the mid alone, so go to the section's ICE transport (with BUNDLE, the first
            # section's) directly.
            ice = sections[media_index].receiver.transport.transport
            await asyncio.wait_for(ice.addRemoteCandidate(candidate), 5)
        except (ValueError, asyncio.TimeoutError) as error:
            if len(refused) < _MAX_CANDIDATES:
                refused.append({"candidate": attribute, "reason": _describe(error)})
            raise ValueError(_describe(error)) from None
        self.record["candidates"]["added"] += 1

    def set_loss(self, percent: float) -> None:
        """From now on `percent` (0 to 100) of the RTP packets that the app sends are lost
        before aiortc sees them, so its receiver reports tell the app of the loss; 0 ends it."""
        self._loss_percent = percent
        self._loss_credit = 0.0
        self.record["loss"]["percent"] = percent

    def _make_path_lossy(self, transport) -> None:
        # RTCP passes untouched: the app's reports and the answers to NACKs keep flowing,
        # and the loss is what the receiver reports say, not a broken link.
        deliver = transport._handle_rtp_data

        async def lossy(data: bytes, arrival_time_ms: int) -> None:
            if self._loss_percent > 0:
                self._loss_credit += self._loss_percent
                if self._loss_credit >= 100:
                    self._loss_credit -= 100
                    self.record["loss"]["dropped"] += 1
                    return
            await deliver(data, arrival_time_ms)

        transport._handle_rtp_data = lossy

    async def close(self, end: str) -> None:
        if self._closing is None:
            self._closing = asyncio.ensure_future(self._close(end))
        await asyncio.shield(self._closing)

    async def _close(self, end: str) -> None:
        await self.refresh_stats()
        self.record["end"] = end
        log.info("video link %d of %s closes: %s", self.record["id"], self.session, end)
        for track in (self._bars, self._tone):
            track.stop()
        await self._pc.close()
        for reader in self._readers:
            reader.cancel()
        await asyncio.gather(*self._readers, return_exceptions=True)
        self.record["closedAt"] = self._now()

    async def refresh_stats(self) -> None:
        if self.record["closedAt"] is not None:
            return
        stats = {}
        try:
            report = await self._pc.getStats()
        except Exception as error:  # a half-closed transport has no stats to give
            log.info("video link %d: no statistics: %s", self.record["id"], _describe(error))
            return
        for entry in report.values():
            if entry.type == "inbound-rtp":
                stats.setdefault(entry.kind, {}).update(
                    packetsReceived=entry.packetsReceived, packetsLost=entry.packetsLost,
                    jitter=entry.jitter)
            elif entry.type == "outbound-rtp":
                stats.setdefault(entry.kind, {}).update(packetsSent=entry.packetsSent,
                                                        bytesSent=entry.bytesSent)
        self.record["stats"] = stats
        self.record["sent"] = {"audio": self._tone.frames_sent, "video": self._bars.frames_sent}

    def _dtls(self):
        for transceiver in self._pc.getTransceivers():
            if transceiver.mid is not None and transceiver.receiver.transport is not None:
                return transceiver.receiver.transport
        return None

    def _connection_state_changed(self) -> None:
        state = self._pc.connectionState
        self.record["state"] = state
        self.record["states"].append({"state": state, "at": self._now()})
        log.info("video link %d of %s: %s", self.record["id"], self.session, state)
        if state == "connected" and self.record["connectedAt"] is None:
            self.record["connectedAt"] = self._now()
        elif state == "failed":
            self._ended("link failed")

    def _ice_state_changed(self) -> None:
        self.record["iceState"] = self._pc.iceConnectionState

    def _dtls_state_changed(self) -> None:
        transport = self._dtls()
        state = transport.state if transport is not None else "closed"
        self.record["dtlsState"] = state
        if state in ("connected", "failed"):
            self._note_remote_certificate()
        # aiortc keeps reporting "connected" after the app's close_notify; the DTLS
        # transport is what knows the app has gone.
        if state == "closed" and self.record["connectedAt"] is not None:
            self._ended("closed by the app")

    def _ended(self, why: str) -> None:
        if not self.closed and self.on_end is not None:
            self.on_end(self, why)

    def _note_remote_certificate(self) -> None:
        transport = self._dtls()
        try:
            certificate = transport.ssl.get_peer_certificate() if transport else None
        except Exception:  # the handshake's state is aiortc's; a record is no reason to fail
            certificate = None
        if certificate is not None:
            self.record["remoteFingerprint"] = {"algorithm": "sha-256",
                                                "value": certificate_digest(certificate)}

    def _track_arrived(self, track: MediaStreamTrack) -> None:
        if track.kind in ("audio", "video"):
            self._readers.append(asyncio.ensure_future(self._read(track)))

    async def _read(self, track: MediaStreamTrack) -> None:
        entry = self.record["received"][track.kind]
        while True:
            try:
                frame = await track.recv()
            except MediaStreamError:
                return
            entry["frames"] += 1
            if entry["firstFrameAt"] is None:
                entry["firstFrameAt"] = self._now()
            if track.kind == "video":
                size = f"{frame.width}x{frame.height}"
                entry["width"], entry["height"] = frame.width, frame.height
                if size in entry["sizes"] or len(entry["sizes"]) < _SIZES_KEPT:
                    entry["sizes"][size] = entry["sizes"].get(size, 0) + 1
            else:
                entry["sampleRate"] = frame.sample_rate
                entry["samples"] += frame.samples


def _received() -> dict:
    return {"frames": 0, "firstFrameAt": None, "width": None, "height": None, "sizes": {},
            "sampleRate": None, "samples": 0}


def _negotiated_codecs(answer: str) -> dict:
    codecs = {}
    for media in SessionDescription.parse(answer).media:
        chosen = [c for c in media.rtp.codecs if not c.mimeType.lower().endswith("/rtx")]
        if chosen:
            c = chosen[0]
            name = f"{c.mimeType.split('/', 1)[1]}/{c.clockRate}"
            codecs[media.kind] = name + (f"/{c.channels}" if c.channels else "")
    return codecs


def _fingerprint(fingerprints) -> Optional[dict]:
    for f in fingerprints:
        if f.algorithm.lower() == "sha-256":
            return {"algorithm": "sha-256", "value": f.value}
    return None


def _describe(error: BaseException) -> str:
    text = str(error)
    return f"{type(error).__name__}: {text}" if text else type(error).__name__
