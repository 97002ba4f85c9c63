#!/usr/bin/python3
"""An independent peer that answers our conference's offer, on aiortc's peer connection.

Speaks one JSON object a line on stdin and stdout:
  in  {"sdp"}                  our offer, with our candidates
  out {"sdp"}                  its answer, with its candidates (it does not trickle)
  out {"state": "connected"}   once its connection is up ("failed" when it gives up)
  in  {"close": true}          it closes the connection, as a far side that drops the call
  out {"state": "closed"}
It gathers 127.0.0.1 only (aioice skips loopback unless told).
"""
import asyncio
import json
import sys

import aioice.ice
from aiortc import RTCPeerConnection, RTCSessionDescription

aioice.ice.get_host_addresses = lambda use_ipv4, use_ipv6: ["127.0.0.1"]


def send(message):
    print(json.dumps(message), flush=True)


async def receive():
    line = await asyncio.get_running_loop().run_in_executor(None, sys.stdin.readline)
    if not line:
        raise SystemExit("the test went away")
    return json.loads(line)


async def main():
    offer = await receive()
    connection = RTCPeerConnection()
    settled = asyncio.Event()

    @connection.on("connectionstatechange")
    def on_state():
        if connection.connectionState in ("connected", "failed"):
            settled.set()

    await connection.setRemoteDescription(RTCSessionDescription(sdp=offer["sdp"], type="offer"))
    await connection.setLocalDescription(await connection.createAnswer())
    send({"sdp": connection.localDescription.sdp})
    await settled.wait()
    send({"state": connection.connectionState})

    await receive()
    await connection.close()
    send({"state": "closed"})


asyncio.run(main())
