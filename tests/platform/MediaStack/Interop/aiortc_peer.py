#!/usr/bin/python3
"""An independent peer for the interop test of our ICE, DTLS and SRTP keying, on aiortc.

Speaks one JSON object a line on stdin and stdout:
  out {"ufrag", "password", "fingerprint", "candidates"}   its ICE and DTLS parameters
  in  {"ufrag", "password", "fingerprint", "candidates"}   ours
  out {"state", "rtp", "rtcp"}   once DTLS is up: a fixed RTP and RTCP packet protected with its keys
  in  {"rtp", "rtcp"}            packets protected with our keys
  out {"rtp", "rtcp"}            what those opened to ("" when they did not open)
It is the ICE-controlled side and, as aiortc decides from that, the DTLS client. It does not
trickle, and it gathers 127.0.0.1 only (aioice skips loopback unless told).
"""
import asyncio
import json
import sys

import aioice.ice
from aioice import Candidate
from aiortc import (RTCCertificate, RTCDtlsFingerprint, RTCDtlsParameters, RTCDtlsTransport, RTCIceGatherer,
                    RTCIceParameters, RTCIceTransport)
from aiortc.rtcicetransport import candidate_from_aioice, candidate_to_aioice

aioice.ice.get_host_addresses = lambda use_ipv4, use_ipv6: ["127.0.0.1"]

RTP = bytes.fromhex("80600001000000641234567876703800")
RTCP = bytes.fromhex("80c9000112345678")


def send(message):
    print(json.dumps(message), flush=True)


async def receive():
    line = await asyncio.get_running_loop().run_in_executor(None, sys.stdin.readline)
    if not line:
        raise SystemExit("the test went away")
    return json.loads(line)


def opened(open_packet, hex_text):
    try:
        return open_packet(bytes.fromhex(hex_text)).hex()
    except Exception:  # a packet that does not open is the answer, not a crash
        return ""


async def main():
    certificate = RTCCertificate.generateCertificate()
    gatherer = RTCIceGatherer(iceServers=[])
    await gatherer.gather()
    parameters = gatherer.getLocalParameters()
    fingerprint = next(f.value for f in certificate.getFingerprints() if f.algorithm == "sha-256")
    send({
        "ufrag": parameters.usernameFragment,
        "password": parameters.password,
        "fingerprint": fingerprint,
        "candidates": ["candidate:" + candidate_to_aioice(c).to_sdp() for c in gatherer.getLocalCandidates()],
    })

    peer = await receive()
    ice = RTCIceTransport(gatherer)
    for line in peer["candidates"]:
        await ice.addRemoteCandidate(candidate_from_aioice(Candidate.from_sdp(line.split(":", 1)[1])))
    await ice.addRemoteCandidate(None)
    dtls = RTCDtlsTransport(ice, [certificate])
    await ice.start(RTCIceParameters(usernameFragment=peer["ufrag"], password=peer["password"]))
    await dtls.start(RTCDtlsParameters(fingerprints=[RTCDtlsFingerprint(algorithm="sha-256", value=peer["fingerprint"])]))
    send({"state": dtls.state, "rtp": dtls._tx_srtp.protect(RTP).hex(), "rtcp": dtls._tx_srtp.protect_rtcp(RTCP).hex()})

    ours = await receive()
    send({"rtp": opened(dtls._rx_srtp.unprotect, ours["rtp"]), "rtcp": opened(dtls._rx_srtp.unprotect_rtcp, ours["rtcp"])})
    await dtls.stop()
    await ice.stop()


asyncio.run(main())
