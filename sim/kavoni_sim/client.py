"""The app's side of a call, played by aiortc: for the sim's own tests and the call set-up
benchmark, where the app's media stack is not in the picture.

It offers what the app offers (BUNDLE, Opus and VP8, rtcp-mux, DTLS with a SHA-256
fingerprint), posts the offer and the candidates to the video server as the app does, and
counts what arrives. Everything runs on the caller's event loop.
"""
import asyncio
import os
import ssl
import subprocess
import time
from typing import Optional
from urllib.parse import quote

import aiohttp
from aiortc import RTCConfiguration, RTCPeerConnection, RTCSessionDescription
from aiortc.mediastreams import MediaStreamError

from .media import BarsTrack, ToneTrack, gather_on_loopback

gather_on_loopback()

SIM_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CA_FILE = os.path.join(SIM_DIR, "certs", "ca.pem")


def start_sim() -> tuple[subprocess.Popen, str]:
    """The sim as a child process on a free port, and its base URL; it stops when
    `stop_sim` closes its stdin (or when this process dies)."""
    subprocess.run(["/bin/bash", os.path.join(SIM_DIR, "make-certs.sh")], check=True,
                   stdout=subprocess.DEVNULL)
    sim = subprocess.Popen(["/usr/bin/python3", "-m", "kavoni_sim", "--port", "0", "--quiet",
                            "--stop-on-stdin-eof"], cwd=SIM_DIR, stdin=subprocess.PIPE,
                           stdout=subprocess.PIPE, text=True)
    line = sim.stdout.readline()
    if not line.startswith("PORT "):
        sim.kill()
        sim.wait()
        raise RuntimeError(f"the sim did not start: {line!r}")
    return sim, f"https://127.0.0.1:{int(line.split()[1])}"


def stop_sim(sim: subprocess.Popen) -> None:
    sim.stdin.close()
    sim.stdout.close()
    try:
        sim.wait(10)
    except subprocess.TimeoutExpired:
        sim.kill()
        sim.wait()


def http_session(ca_file: str) -> aiohttp.ClientSession:
    """A client that trusts the sim's authority and nothing else."""
    context = ssl.create_default_context(cafile=ca_file)
    return aiohttp.ClientSession(connector=aiohttp.TCPConnector(ssl=context))


def conference_url(base_url: str, session: str, token: str, call: str) -> str:
    return (f"{base_url}/api/v1/conferences/{quote(session, safe='')}/USER/"
            f"{quote(token, safe='')}/{call}")


def split_candidates(sdp: str) -> tuple[str, list[tuple[str, int]]]:
    """The offer without its candidate lines, and the candidates with their section index,
    as the app sends them when it trickles."""
    lines, candidates, section = [], [], -1
    for line in sdp.split("\r\n"):
        if line.startswith("m="):
            section += 1
        if line.startswith("a=candidate:"):
            candidates.append((line[2:], max(section, 0)))
        elif line != "a=end-of-candidates":
            lines.append(line)
    return "\r\n".join(lines), candidates


class AppPeer:
    def __init__(self, base_url: str, http: aiohttp.ClientSession,
                 session: str = "sim-session-test", token: str = "sim-user-test") -> None:
        self.base_url = base_url
        self.http = http
        self.session = session
        self.token = token
        self.pc = RTCPeerConnection(RTCConfiguration(iceServers=[]))
        self.bars = BarsTrack()
        self.tone = ToneTrack()
        self.connected = asyncio.Event()
        self.first_video = asyncio.Event()
        self.received = {"audio": 0, "video": 0}
        self.video_size: Optional[tuple[int, int]] = None
        self.states: list[str] = []
        self._readers: list[asyncio.Task] = []
        self.pc.addTransceiver(self.tone, direction="sendrecv")
        self.pc.addTransceiver(self.bars, direction="sendrecv")
        self.pc.on("connectionstatechange", self._state_changed)
        self.pc.on("track", self._track_arrived)

    async def make_offer(self) -> str:
        """The offer, with every candidate in it (aiortc gathers before it answers)."""
        await self.pc.setLocalDescription(await self.pc.createOffer())
        return self.pc.localDescription.sdp

    async def post(self, call: str, body: dict) -> tuple[int, str]:
        url = conference_url(self.base_url, self.session, self.token, call)
        async with self.http.post(url, json=body) as response:
            return response.status, await response.text()

    async def send_offer(self, sdp: str) -> tuple[int, str]:
        return await self.post("sendSdpOffer", {"tieBreaker": "1", "isOffer": True, "sdpMessage": sdp})

    async def send_candidate(self, attribute: str, index: int) -> tuple[int, str]:
        return await self.post("sendCandidate",
                               {"sdpCandidateAttribute": attribute, "sdpMediaIndex": index})

    async def accept(self, answer_sdp: str) -> None:
        await self.pc.setRemoteDescription(RTCSessionDescription(answer_sdp, "answer"))

    async def close(self) -> None:
        for track in (self.bars, self.tone):
            track.stop()
        await self.pc.close()
        for reader in self._readers:
            reader.cancel()
        await asyncio.gather(*self._readers, return_exceptions=True)

    def _state_changed(self) -> None:
        self.states.append(self.pc.connectionState)
        if self.pc.connectionState == "connected":
            self.connected.set()

    def _track_arrived(self, track) -> None:
        self._readers.append(asyncio.ensure_future(self._read(track)))

    async def _read(self, track) -> None:
        while True:
            try:
                frame = await track.recv()
            except MediaStreamError:
                return
            self.received[track.kind] += 1
            if track.kind == "video":
                self.video_size = (frame.width, frame.height)
                self.first_video.set()


async def until(predicate, timeout: float, step: float = 0.05) -> bool:
    """Whether the predicate came true within the time-out (a generous bound, not a speed
    check)."""
    deadline = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() >= deadline:
            return False
        await asyncio.sleep(step)
    return True
