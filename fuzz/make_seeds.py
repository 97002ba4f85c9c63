#!/usr/bin/python3
"""Writes the seed corpora of fuzz/corpus/ from what the simulated service really sends: the
event channel's framed commands of its agent scripts and the REST answers of its fixtures, the
SDP recorded from the sim's peer (aiortc) and our own offer, the layouts of the host's script
bundle, the interface files shipped. Run from the repository root; the seeds are committed."""
import json
import os
import sys

sys.path.insert(0, "sim")
from kavoni_sim import agent_scripts, channel, fixtures  # noqa: E402

out = "fuzz/corpus"


def put(name: str, file: str, data) -> None:
    os.makedirs(f"{out}/{name}", exist_ok=True)
    with open(f"{out}/{name}/{file}", "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


# Event channel: every command of every agent script, framed as the channel frames it; and a
# long-poll answer holding several frames.
context = agent_scripts.RoadContext(token="DEV-fuzz-token", base_url="https://127.0.0.1:47443")
commands = []
for name in dir(agent_scripts):
    road = getattr(agent_scripts, name)
    if not isinstance(road, (list, tuple)):
        continue
    for step in road:
        if isinstance(step, agent_scripts.Send):
            data = step.data(context) if callable(step.data) else step.data
            commands.append({"command": step.command} if data is None else {"command": step.command, "data": data})
        elif isinstance(step, agent_scripts.Chat):
            commands.append({"command": "chatMessage", "data": {"content": step.content, "originator": "Agent",
                                                                 "timestamp": "2024-05-01T10:00:00+0200"}})
commands.append({"command": "ping"})
seen = set()
for i, command in enumerate(commands):
    text = channel.frame(command)
    if text in seen:
        continue
    seen.add(text)
    put("event_channel", f"command-{i:02d}", text)
put("event_channel", "long-poll-answer", "".join(channel.frame(c) for c in commands[:4]))

# Service answers: the selector byte of service_answer_fuzz.cpp, then the body.
token = "DEV-fuzz-token"
configuration = fixtures.customer_configuration(token)
bodies = {
    0: configuration, 2: configuration,
    3: fixtures.identification_data(token), 4: fixtures.video_start(token),
    1: fixtures.messages("https://127.0.0.1:47443"), 5: fixtures.messages("https://127.0.0.1:47443"),
    8: fixtures.photo_start(token),
}
for which, body in bodies.items():
    put("service_answer", f"answer-{which}", bytes([which]) + json.dumps(body).encode())

# SDP: the recorded answer and offer of the sim's peer, and our offer.
for name in ("aiortc_answer.sdp", "aiortc_offer.sdp", "our_offer.sdp"):
    with open(f"tests/platform/MediaStack/Sdp/fixtures/{name}", "rb") as f:
        put("sdp_answer", name, f.read())

# Navigation layouts: the host bundle's root layout (evaluated from the bundle's own text), a
# pushed screen, and one with global props.
import re  # noqa: E402
import subprocess  # noqa: E402

with open("host/Resources/main.jsbundle") as f:
    bundle = f.read()
helper = re.search(r"  function screen\(.*?\n  }\n", bundle, re.S).group(0)
layout = re.search(r"  var ROOT_LAYOUT = \{.*?\n  };\n", bundle, re.S).group(0)
root = subprocess.run(["node", "-e", helper + layout + "console.log(JSON.stringify(ROOT_LAYOUT));"],
                      capture_output=True, text=True, check=True).stdout
put("navigation_layout", "host-root", root)
put("navigation_layout", "pushed-screen", json.dumps({"type": "screen", "title": "Details", "texts": ["a", "b"],
                                                      "navigatorStyle": {"tabBarHidden": True, "screenBackgroundColor": "#102030"}}))
put("navigation_layout", "stack-global-props", json.dumps({"type": "stack", "globalProps": {"theme": "dark"},
                                                           "children": [{"type": "screen"}, {"type": "screen", "title": "2"}]}))

# Interface files shipped with the host.
with open("host/Resources/OverlayButton.nib.json", "rb") as f:
    put("nib", "OverlayButton.nib.json", f.read())
put("nib", "label-and-views", json.dumps({"objects": [{"class": "UILabel", "text": "Hi", "frame": [0, 0, 40, 20],
                                                       "backgroundColor": [1, 0, 0, 1]},
                                                      {"class": "UIView", "subviews": [{"class": "UIButton", "title": "Go"}]}]}))

# Candidate lines: those of the recorded SDP, and as our ICE agent and a browser write them.
lines = set()
for name in ("aiortc_answer.sdp", "aiortc_offer.sdp", "our_offer.sdp"):
    with open(f"tests/platform/MediaStack/Sdp/fixtures/{name}") as f:
        lines.update(line.strip() for line in f if line.startswith("a=candidate:"))
lines.add("candidate:1 1 UDP 2013266431 127.0.0.1 40000 typ host")
lines.add("candidate:842163049 1 udp 1677729535 203.0.113.7 61000 typ srflx raddr 192.168.1.4 rport 61000 generation 0 "
          "ufrag 4ZcD network-cost 999")
lines.add("candidate:3 1 tcp 1518280447 192.0.2.1 9 typ host tcptype active generation 0")
for i, line in enumerate(sorted(lines)):
    put("candidate_line", f"line-{i:02d}", line)

# Datagrams on the media port: a STUN binding request, a DTLS record, RTP, RTCP.
put("packet_demux", "stun", bytes.fromhex("000100002112a442") + bytes(12))
put("packet_demux", "dtls", bytes.fromhex("16fefd0000000000000000") + bytes(4))
put("packet_demux", "rtp", bytes.fromhex("80600001000000010000abcd") + b"payload")
put("packet_demux", "rtcp", bytes.fromhex("80c90001000000010000abcd"))

# WebSocket frames from the server (unmasked): a text message, one in two fragments, a ping,
# a close with a code.
text = channel.frame({"command": "ping"}).encode()
put("websocket_frame", "text", bytes([0x81, len(text)]) + text)
put("websocket_frame", "fragments", bytes([0x01, 3]) + b"12|" + bytes([0x80, 2]) + b"{}")
put("websocket_frame", "ping", bytes([0x89, 4, 3, 1, 3, 1]))
put("websocket_frame", "close", bytes([0x88, 2, 0x03, 0xE8]))
