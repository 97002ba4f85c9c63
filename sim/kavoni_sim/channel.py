"""The event channel: the agent's commands pushed to the app, over a WebSocket or HTTP long
polling, on the path of the channel URL.

  GET /api/v1/identifications/{token}/websocket
      with "Upgrade: websocket": a WebSocket that carries every pushed message as one text
      frame; pings are answered with pongs carrying the same payload.
      with "?X-Atmosphere-Transport=long-polling&...": a long poll, held until a message is
      pushed for the token (answered "text/plain" with the message) or until the hold time
      runs out (answered with the command "ping", which the app logs and otherwise ignores).

Every message is framed "<length>|<json>": the JSON text's length in UTF-16 code units (its
number of characters, but for characters outside the Basic Multilingual Plane, which count 2),
then "|", then the JSON text.

A pushed message goes to every WebSocket and every waiting poll of its token. When none is
there, it waits in the token's queue: the next poll is answered with the first queued message
at once (or, with batching on, with the whole queue in one answer, the framed messages one
after the other), and a new WebSocket gets the whole queue right after its handshake. So a test
may push before the app has connected, and no message is lost between two polls.

Control API (under /__sim/channel, never recorded, never subject to chosen answers):
  POST /__sim/channel/push     {"token", "command": {...}}: pushes the command, framed;
                               {"token", "raw": text}: pushes the text as it stands (no framing).
                               Answers {"frame", "delivered": n (0: queued)}.
  POST /__sim/channel/close    {"token", "code": 1000, "reason": ""}: closes the token's
                               WebSockets with a close frame (polls have none: see drop).
                               Answers when the closing handshake is over: {"closed": n, "at"}.
  POST /__sim/channel/drop     {"token"}: resets the TCP connection of the token's WebSockets
                               (no close frame) and of its waiting polls. {"dropped": n, "at"}
  POST /__sim/channel/pong     {"token", "payload": [bytes]}: an unsolicited pong frame to the
                               token's WebSockets (default payload 3, 1, 3, 1). {"sent": n}
  POST /__sim/channel/restart  {"downSeconds": 1.0}: drops every channel connection and refuses
                               handshakes and polls with 503 for that long. {"dropped": n, "at"}
  POST /__sim/channel/config   {"holdSeconds": 30, "batchPolls": false}: how long a poll is
                               held; whether a poll takes the whole queue in one answer.
  GET  /__sim/channel          {"clients": {token: {"webSocket", "longPolling", "queued"}},
                                "connections": [...], "holdSeconds", "now"}
POST /__sim/reset also empties the queues and the connection record, ends a restart's down
time and restores the hold time and single-message answers; it leaves live connections open (and in the record).

The connection record lists every handshake and poll, oldest first: "id", "token",
"transport" ("websocket" or "long-polling"), "openedAt", "closedAt" (null while open),
"end" (why it ended, null while open), "messages" (messages sent on it). Times are seconds
since the sim started, on a monotonic clock ("now" in the answer is the current time).
"""
import asyncio
import json
import logging
import socket
import struct
import time
from collections import deque
from dataclasses import dataclass
from typing import Any, Optional
from urllib.parse import parse_qs

from aiohttp import web

from .answers import error_answer, json_answer
from .control import ControlError, post_control
from .routing import Call, Router

CHANNEL_PATH = "/api/v1/identifications/{token}/websocket"
CONTROL_PATH = "/__sim/channel"
DEFAULT_HOLD_SECONDS = 30.0
DEFAULT_DOWN_SECONDS = 1.0
# How long a close waits for the client's close frame before it gives up on the connection.
CLOSE_TIMEOUT = 5.0
HEARTBEAT_COMMAND = {"command": "ping"}

log = logging.getLogger("kavoni_sim")


def frame(command: Any) -> str:
    text = json.dumps(command, ensure_ascii=False, separators=(",", ":"))
    return f"{len(text.encode('utf-16-le')) // 2}|{text}"


@dataclass
class Connection:
    id: int
    token: str
    transport: str  # "websocket" or "long-polling"
    opened_at: float
    request: Optional[web.Request] = None
    ws: Optional[web.WebSocketResponse] = None
    waiter: Optional[asyncio.Future] = None  # a waiting poll: resolves with its answer's text
    closed_at: Optional[float] = None
    end: Optional[str] = None
    messages: int = 0
    intended_end: Optional[str] = None  # set by a control call before it ends the connection
    closing: Optional[asyncio.Task] = None  # a close with a chosen code, under way

    def is_open(self) -> bool:
        return self.closed_at is None

    def peer_gone(self) -> bool:
        # aiohttp does not cancel a handler whose client left; the protocol's transport tells.
        protocol = self.request.protocol if self.request is not None else None
        return protocol is None or protocol.transport is None

    def record(self) -> dict:
        return {"id": self.id, "token": self.token, "transport": self.transport,
                "openedAt": self.opened_at, "closedAt": self.closed_at, "end": self.end,
                "messages": self.messages}


class Channel:
    def __init__(self) -> None:
        self._started = time.monotonic()
        self.hold_seconds = DEFAULT_HOLD_SECONDS
        self.batch_polls = False
        self.connections: list[Connection] = []
        self.queues: dict[str, deque] = {}
        self._down_until = 0.0
        self._next_id = 1
        self._stopping = False

    def now(self) -> float:
        return round(time.monotonic() - self._started, 6)

    def reset(self) -> None:
        self.hold_seconds = DEFAULT_HOLD_SECONDS
        self.batch_polls = False
        self.queues.clear()
        self._down_until = 0.0
        self.connections = [c for c in self.connections if c.is_open()]

    def register(self, router: Router) -> None:
        router.add("GET", CHANNEL_PATH, self.serve)

    # The service side

    async def serve(self, call: Call) -> web.StreamResponse:
        request, token = call.request, call.params["token"]
        ws = web.WebSocketResponse(autoping=True, timeout=CLOSE_TIMEOUT)
        upgrade = ws.can_prepare(request).ok
        long_polling = parse_qs(call.query).get("X-Atmosphere-Transport") == ["long-polling"]
        if not upgrade and not long_polling:
            return error_answer(400, "INVALID_REQUEST")
        transport = "websocket" if upgrade else "long-polling"
        if self._stopping or time.monotonic() < self._down_until:
            self._end(self._open(token, transport, None), "refused (restarting)")
            return error_answer(503, "SERVICE_UNAVAILABLE")
        if upgrade:
            return await self._serve_websocket(request, token, ws)
        return await self._serve_poll(request, token)

    async def _serve_websocket(self, request: web.Request, token: str,
                               ws: web.WebSocketResponse) -> web.StreamResponse:
        await ws.prepare(request)
        connection = self._open(token, "websocket", request)
        connection.ws = ws
        try:
            # What was pushed while nobody listened, in order; a push meanwhile joins the queue,
            # as the connection counts as open only once the queue is empty.
            queue = self.queues.get(token)
            while queue:
                await self._send(connection, queue.popleft())
            self.queues.pop(token, None)
            self.connections.append(connection)
            async for message in ws:
                # The app sends nothing on the channel; pings are answered by autoping.
                log.info("channel %d: %s from the client ignored", connection.id, message.type.name)
            if connection.closing is not None:
                # Returning now would let aiohttp close with 1000 before the chosen code goes out.
                await asyncio.shield(connection.closing)
        except (ConnectionError, asyncio.CancelledError):
            connection.intended_end = connection.intended_end or "connection lost"
            raise
        finally:
            self._end(connection, connection.intended_end
                      or f"ended by the client ({ws.close_code})")
        return ws

    async def _serve_poll(self, request: web.Request, token: str) -> web.StreamResponse:
        connection = self._open(token, "long-polling", request)
        self.connections.append(connection)
        try:
            queue = self.queues.get(token)
            if queue:
                # Batched, as the service does when messages pile up between two polls.
                count = len(queue) if self.batch_polls else 1
                text, end = "".join(queue.popleft() for _ in range(count)), "message"
                connection.messages += count - 1
                if not queue:
                    self.queues.pop(token, None)
            else:
                connection.waiter = asyncio.get_running_loop().create_future()
                done, _ = await asyncio.wait({connection.waiter}, timeout=self.hold_seconds)
                if not done:
                    connection.waiter.cancel()
                    text, end = frame(HEARTBEAT_COMMAND), "hold time-out"
                else:
                    text, end = connection.waiter.result(), connection.intended_end or "message"
                    if text is None:  # dropped, or the client had left: nothing to answer
                        raise asyncio.CancelledError()
        except (ConnectionError, asyncio.CancelledError):
            self._end(connection, connection.intended_end or "cancelled")
            raise
        connection.messages += 1
        self._end(connection, end)
        return web.Response(text=text, content_type="text/plain", charset="utf-8")

    def _open(self, token: str, transport: str, request: Optional[web.Request]) -> Connection:
        connection = Connection(self._next_id, token, transport, self.now(), request)
        self._next_id += 1
        log.info("channel %d: %s for %s opened", connection.id, transport, token)
        return connection

    def _end(self, connection: Connection, why: str) -> None:
        if not connection.is_open():
            return
        if connection not in self.connections:
            self.connections.append(connection)
        connection.closed_at = self.now()
        connection.end = why
        log.info("channel %d: %s for %s ended: %s", connection.id, connection.transport,
                 connection.token, why)

    async def _send(self, connection: Connection, text: str) -> bool:
        try:
            await connection.ws.send_str(text)
        except (ConnectionError, RuntimeError) as error:
            log.info("channel %d: message not sent: %s", connection.id, error)
            return False
        connection.messages += 1
        return True

    def _live(self, token: Optional[str]) -> list[Connection]:
        """The open connections (of a token), each poll whose client left ended on the way."""
        live = []
        for connection in self.connections:
            if not connection.is_open() or (token is not None and connection.token != token):
                continue
            if connection.waiter is not None and connection.peer_gone():
                connection.intended_end = "client left"
                if not connection.waiter.done():
                    connection.waiter.set_result(None)
                self._end(connection, "client left")
                continue
            if connection.transport == "websocket" and (connection.ws is None or connection.ws.closed):
                continue
            if connection.transport == "long-polling" and (connection.waiter is None
                                                           or connection.waiter.done()):
                continue
            live.append(connection)
        return live

    def _websockets(self, token: str) -> list[Connection]:
        return [c for c in self._live(token) if c.transport == "websocket"]

    # What tests steer

    async def push(self, token: str, text: str) -> int:
        delivered = 0
        for connection in self._live(token):
            if connection.transport == "websocket":
                delivered += await self._send(connection, text)
            elif not connection.waiter.done():
                connection.waiter.set_result(text)
                delivered += 1
        if not delivered:
            self.queues.setdefault(token, deque()).append(text)
        return delivered

    async def close(self, token: str, code: int, reason: str) -> int:
        sockets = self._websockets(token)
        await asyncio.gather(*(self._close(c, code, reason, f"closed ({code})") for c in sockets))
        return len(sockets)

    async def _close(self, connection: Connection, code: int, reason: str, why: str,
                     timeout: float = CLOSE_TIMEOUT) -> None:
        """Sends a close frame and waits for the client's answer; a client that does not answer
        in time has its connection reset."""
        connection.intended_end = why
        if connection.closing is None:
            connection.closing = asyncio.ensure_future(
                connection.ws.close(code=code, message=reason.encode("utf-8")))
        try:
            await asyncio.wait_for(asyncio.shield(connection.closing), timeout)
        except (ConnectionError, asyncio.TimeoutError):
            _reset(connection.request.transport)

    def drop(self, token: Optional[str], why: str = "dropped") -> int:
        connections = self._live(token)
        for connection in connections:
            connection.intended_end = why
            _reset(connection.request.transport)
            if connection.waiter is not None and not connection.waiter.done():
                connection.waiter.set_result(None)
        return len(connections)

    async def pong(self, token: str, payload: bytes) -> int:
        sockets = self._websockets(token)
        for connection in sockets:
            try:
                await connection.ws.pong(payload)
            except (ConnectionError, RuntimeError):
                pass
        return len(sockets)

    def restart(self, down_seconds: float) -> int:
        self._down_until = time.monotonic() + down_seconds
        return self.drop(None, "restart")

    async def shutdown(self) -> None:
        """Going away: every WebSocket closed with 1001, every waiting poll dropped."""
        self._stopping = True
        sockets = [c for c in self._live(None) if c.transport == "websocket"]
        await asyncio.gather(*(self._close(c, 1001, "Going away", "sim stopping", 1.0) for c in sockets))
        self.drop(None, "sim stopping")

    async def handle_control(self, request: web.Request, path: str) -> web.Response:
        if path == CONTROL_PATH and request.method == "GET":
            return json_answer(self._state())
        return await post_control(request, path, CONTROL_PATH, "channel", self._control)

    async def _control(self, action: str, control: dict) -> Optional[dict]:
        if action == "push":
            token = _token(control)
            if ("command" in control) == ("raw" in control):
                raise ControlError("give either \"command\" (a JSON object) or \"raw\" (a text)")
            if "command" in control:
                if not isinstance(control["command"], dict):
                    raise ControlError("\"command\" must be a JSON object")
                text = frame(control["command"])
            else:
                if not isinstance(control["raw"], str):
                    raise ControlError("\"raw\" must be a text")
                text = control["raw"]
            delivered = await self.push(token, text)
            log.info("channel push to %s (%s): %s", token,
                     f"{delivered} client(s)" if delivered else "queued", text)
            return {"frame": text, "delivered": delivered}
        if action == "close":
            token = _token(control)
            code, reason = control.get("code", 1000), control.get("reason", "")
            if not isinstance(code, int) or isinstance(code, bool) or not _sendable_close_code(code):
                raise ControlError("\"code\" must be a close code that may be sent: 1000-1003, "
                                   "1007-1014 or 3000-4999")
            if not isinstance(reason, str) or len(reason.encode("utf-8")) > 123:
                raise ControlError("\"reason\" must be a text of at most 123 UTF-8 bytes")
            closed = await self.close(token, code, reason)
            log.info("channel close of %s with %d: %d WebSocket(s)", token, code, closed)
            return {"closed": closed, "at": self.now()}
        if action == "drop":
            token = _token(control)
            dropped = self.drop(token)
            log.info("channel drop of %s: %d connection(s)", token, dropped)
            return {"dropped": dropped, "at": self.now()}
        if action == "pong":
            token = _token(control)
            payload = control.get("payload", [3, 1, 3, 1])
            if (not isinstance(payload, list) or len(payload) > 125
                    or not all(isinstance(b, int) and 0 <= b <= 255 for b in payload)):
                raise ControlError("\"payload\" must be a list of at most 125 byte values")
            return {"sent": await self.pong(token, bytes(payload))}
        if action == "restart":
            down = control.get("downSeconds", DEFAULT_DOWN_SECONDS)
            if not isinstance(down, (int, float)) or isinstance(down, bool) or not 0 <= down <= 3600:
                raise ControlError("\"downSeconds\" must be a number of seconds from 0 to 3600")
            dropped = self.restart(float(down))
            log.info("channel restart: %d connection(s) dropped, down for %.2f s", dropped, down)
            return {"dropped": dropped, "at": self.now()}
        if action == "config":
            hold = control.get("holdSeconds", self.hold_seconds)
            if not isinstance(hold, (int, float)) or isinstance(hold, bool) or not 0 < hold <= 3600:
                raise ControlError("\"holdSeconds\" must be a number of seconds above 0, at most 3600")
            batch = control.get("batchPolls", self.batch_polls)
            if not isinstance(batch, bool):
                raise ControlError("\"batchPolls\" must be true or false")
            self.hold_seconds = float(hold)
            self.batch_polls = batch
            return {"holdSeconds": self.hold_seconds, "batchPolls": self.batch_polls}
        return None

    def _state(self) -> dict:
        clients: dict[str, dict] = {}
        for connection in self._live(None):
            entry = clients.setdefault(connection.token, {"webSocket": 0, "longPolling": 0, "queued": 0})
            entry["webSocket" if connection.transport == "websocket" else "longPolling"] += 1
        for token, queue in self.queues.items():
            clients.setdefault(token, {"webSocket": 0, "longPolling": 0, "queued": 0})["queued"] = len(queue)
        return {"clients": clients, "connections": [c.record() for c in self.connections],
                "holdSeconds": self.hold_seconds, "now": self.now()}


def _token(control: dict) -> str:
    token = control.get("token")
    if not isinstance(token, str) or not token:
        raise ControlError("\"token\" must be the transaction token")
    return token


def _sendable_close_code(code: int) -> bool:
    # 1004-1006 and 1015 are reserved: they must never appear in a close frame.
    return 1000 <= code <= 1003 or 1007 <= code <= 1014 or 3000 <= code <= 4999


def _reset(transport: Optional[asyncio.BaseTransport]) -> None:
    """Ends the connection at once with a TCP reset: no close frame, no TLS close."""
    if transport is None:
        return
    sock = transport.get_extra_info("socket")
    if sock is not None:
        try:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        except OSError:
            pass
    transport.abort()
