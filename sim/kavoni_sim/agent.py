"""The agent of a video identification: plays a road of agent_scripts.py against the app.

A road is chosen for a transaction token by a keyword in it (agent_scripts.SCRIPTS) or by a
control call; tokens without one get no agent, so the service answers them as before. The road
starts with the app's start of the video identification and runs as one task per
identification: it pushes the agent's commands over the event channel and waits, bounded, for
the calls the app must make in answer. A wait that runs out is a failed step: the agent then
ends the identification as failed and the road stops; the service itself goes on.

The agent watches the calls by standing in front of the service's own handlers (`register`
before rest.register): it hands every call on unchanged and only notes what the service
answered. Calls refused by a chosen answer (/__sim/answers) never reach it, as they never
reached the service.

The app's token changes during an identification (the transaction token, then the internal
token "...-INT"); an identification is keyed by the internal token, so both name the same one.

Control API (under /__sim/agent, never recorded, never subject to chosen answers):
  GET  /__sim/agent                 {"scripts": {name: description}, "keywords": {keyword: name},
                                     "choices": {token: name}, "waitSeconds",
                                     "identifications": {token: progress}}
  POST /__sim/agent/script          {"token", "script": name or null, "waitSeconds"}: the road for
                                    the token's next start (null: no agent), and how long each
                                    wait may take (default 30 s). {"token", "script"}
  POST /__sim/agent/restartChannel  {"token", "downSeconds": 1.0}: restarts the event channel
                                    (/__sim/channel/restart) at the token's next safe point: as
                                    soon as an awaited call arrives, which proves that the app
                                    has every command sent before it. Without a running road, at
                                    once. {"scheduled": true} or {"dropped": n, "at"}
POST /__sim/reset stops every road and forgets the choices and the progress.
"""
import asyncio
import json
import logging
from datetime import datetime, timezone
from typing import Any, Callable, Optional

from aiohttp import web

from . import fixtures, rest
from .agent_scripts import (SCRIPTS, Chat, Expect, ExpectChannel, NotifyWaitingUser,
                            RoadContext, Script, Send, script_for_token)
from .answers import error_answer, json_answer
from .channel import Channel, frame
from .control import ControlError, post_control
from .routing import Call, Router

CONTROL_PATH = "/__sim/agent"
DEFAULT_WAIT_SECONDS = 30.0
# How often a wait looks again at what it cannot be told of (the channel's connections).
POLL_SECONDS = 0.05
# What one identification keeps of the calls and the chat: an app that calls without end must
# not make the service hold memory without end.
KEEP_ENTRIES = 500
KEEP_IDENTIFICATIONS = 200
ORIGINATOR = "Agent"

# Calls the service only acknowledges, whose arrival a road may wait for.
WATCHED_ACKNOWLEDGED = ("requestVideoChat", "setupComplete", "waitingListEnrollment",
                        "notificationSubscription", "canceled", "failed", "signingRefuse")

log = logging.getLogger("kavoni_sim")


class Identification:
    """One road under way or played: what was sent, what arrived, what the agent waits for."""

    def __init__(self, key: str, script: Script, wait_seconds: float, started: float) -> None:
        self.key = key
        self.script = script
        self.wait_seconds = wait_seconds
        self.started = started
        self.state = "waiting for the start"  # then "running", "done" or "failed"
        self.failure: Optional[str] = None
        self.steps: list[dict] = []
        self.arrived: list[dict] = []
        self.chat: list[dict] = []
        self.waiting_for: Optional[str] = None
        self.channel_token: Optional[str] = None
        self.channel_restarts: list[dict] = []
        self.pending_restart: Optional[float] = None  # down time of a restart due at a safe point
        self.notified = False
        self.base_url = ""
        self.token = key
        self.task: Optional[asyncio.Task] = None
        self.changed = asyncio.Event()
        self._next_chat_id = 1

    def running(self) -> bool:
        return self.task is not None and not self.task.done()

    def ended(self) -> bool:
        return self.state in ("done", "failed")

    def note_arrival(self, what: str, status: int, at: float, detail: Any = None) -> None:
        self.arrived.append({"call": what, "status": status, "at": at, "detail": detail,
                             "taken": False})
        _trim(self.arrived)
        self.changed.set()

    def add_chat(self, sender: str, content: str, at: float) -> dict:
        entry = {"id": self._next_chat_id, "from": sender, "content": content, "at": at}
        self._next_chat_id += 1
        self.chat.append(entry)
        _trim(self.chat)
        return entry

    def take(self, calls: tuple[str, ...]) -> Optional[dict]:
        for entry in self.arrived:
            if not entry["taken"] and entry["call"] in calls and 200 <= entry["status"] < 300:
                entry["taken"] = True
                return entry
        return None

    def progress(self) -> dict:
        return {"script": self.script.name, "state": self.state, "failure": self.failure,
                "waitingFor": self.waiting_for, "steps": self.steps,
                "arrived": [{k: v for k, v in e.items() if k != "taken"} for e in self.arrived],
                "chat": self.chat, "channelRestarts": self.channel_restarts,
                "notified": self.notified, "startedAt": self.started}


def _trim(entries: list) -> None:
    if len(entries) > KEEP_ENTRIES:
        del entries[:len(entries) - KEEP_ENTRIES]


class Agent:
    def __init__(self, channel: Channel) -> None:
        self.channel = channel
        self.choices: dict[str, Optional[Script]] = {}
        self.wait_seconds: dict[str, float] = {}
        self.identifications: dict[str, Identification] = {}

    def reset(self) -> None:
        for identification in self.identifications.values():
            if identification.task is not None:
                identification.task.cancel()
        self.identifications.clear()
        self.choices.clear()
        self.wait_seconds.clear()

    def _script(self, token: str) -> Optional[Script]:
        key = fixtures.internal_token(token)
        if key in self.choices:
            return self.choices[key]
        return script_for_token(key)

    def _identification(self, token: str, new_road: bool = False) -> Optional[Identification]:
        """The token's identification; a new one when there is none, or for a start when its
        road has ended; none for a token without a road. Calls after the end of a road are
        noted in it, so that its progress stays readable."""
        key = fixtures.internal_token(token)
        current = self.identifications.get(key)
        if current is not None and not (new_road and current.ended()):
            return current
        script = self._script(token)
        if script is None:
            return None
        identification = Identification(key, script, self.wait_seconds.get(key, DEFAULT_WAIT_SECONDS),
                                        self.channel.now())
        if current is not None:
            identification.notified = current.notified
        self.identifications.pop(key, None)
        self._make_room()
        self.identifications[key] = identification
        return identification

    def _make_room(self) -> None:
        """Tokens that name a road are the app's to choose: the oldest ended road goes first,
        the oldest of all when none has ended."""
        while len(self.identifications) >= KEEP_IDENTIFICATIONS:
            ended = [k for k, i in self.identifications.items() if i.ended()]
            oldest = ended[0] if ended else next(iter(self.identifications))
            dropped = self.identifications.pop(oldest)
            if dropped.task is not None:
                dropped.task.cancel()

    # The service's calls, handed on

    def register(self, router: Router) -> None:
        ident = rest.IDENT
        router.add("GET", "/api/v1/{identifier}", self._customer_configuration)
        router.add("GET", ident, self._identification_data)
        router.add("POST", ident + "/start", self._start)
        for component in WATCHED_ACKNOWLEDGED:
            router.add("POST", ident + "/" + component, self._watch(rest.acknowledge, component))
        for component, handler in rest.CODE_REQUESTS.items():
            router.add("POST", ident + "/" + component, self._watch(handler, component))
        router.add("POST", ident + "/sendConfirmationToken",
                   self._watch(rest.send_confirmation_token, "sendConfirmationToken",
                               lambda call: _member(call, "confirmationToken")))
        router.add("POST", ident + "/uploadScreenshot/{type}",
                   self._watch(rest.upload, lambda call: "uploadScreenshot/" + call.params["type"]))
        router.add("POST", ident + "/chat/agent/sendMsg", self._chat_message)
        router.add("GET", ident + "/approvalPhrases", self._watch(rest.approval_phrases, "approvalPhrases"))
        router.add("GET", "/{shortName}/identifications/{token}/signingDone",
                   self._watch(rest.signing_done, "signingDone"))

    def _watch(self, handler, what: Any, detail: Optional[Callable[[Call], Any]] = None):
        async def watched(call: Call) -> web.StreamResponse:
            response = await handler(call)
            identification = self._identification(call.params["token"])
            if identification is not None:
                name = what(call) if callable(what) else what
                identification.note_arrival(name, response.status, self.channel.now(),
                                            detail(call) if detail else None)
            return response
        return watched

    async def _chat_message(self, call: Call) -> web.StreamResponse:
        response = await rest.chat_message(call)
        identification = self._identification(call.params["token"])
        if identification is not None:
            at = self.channel.now()
            entry = None
            if response.status == 200:
                entry = identification.add_chat("user", call.json()["content"], at)
            identification.note_arrival("chat", response.status, at,
                                        entry["id"] if entry else None)
        return response

    async def _customer_configuration(self, call: Call) -> web.StreamResponse:
        response = await rest.customer_configuration(call)
        identifier = call.params["identifier"]
        script = self._script(identifier) if fixtures.is_token(identifier) else None
        if script is None or response.status != 200:
            return response
        configuration = json.loads(response.text)
        settings = configuration.get("settings", {})
        if settings.get("processtype") != "VIDEO":
            return response
        # The app takes the agent's road only with the configuration that leads there.
        steps = settings.setdefault("processsteps", {})
        if script.esigning:
            steps.setdefault("esigning", {"handwritten": True})
        else:
            steps.pop("esigning", None)
            settings["identCodeRequired"] = True
        if not script.video_server:
            settings["videoserver"] = "DISABLED"
        if script.waiting_list:
            fixtures.notify_by_sms(configuration)
        return json_answer(configuration)

    async def _identification_data(self, call: Call) -> web.StreamResponse:
        response = await rest.identification_data(call)
        current = self.identifications.get(fixtures.internal_token(call.params["token"]))
        if current is None or not current.notified or response.status != 200:
            return response
        data = json.loads(response.text)
        data["waitingListNotified"] = True
        return json_answer(data)

    async def _start(self, call: Call) -> web.StreamResponse:
        response = await rest.start(call)
        body = call.json()
        if isinstance(body, dict) and "data" in body:
            return response  # a photo identification has no agent
        identification = self._identification(call.params["token"], new_road=True)
        if identification is None:
            return response
        if response.status == 200:
            if identification.script.waiting_list and not identification.notified:
                response = error_answer(429, "WAITING_LIST_ENFORCED")
            else:
                start = json.loads(response.text)
                start["waitingListNotified"] = start.get("waitingListNotified") or identification.notified
                if not identification.script.video_server:
                    start.setdefault("request", {})["videoserverUsed"] = "DISABLED"
                response = json_answer(start)
        identification.note_arrival("start", response.status, self.channel.now())
        if response.status in (200, 429) and identification.task is None:
            identification.token = call.params["token"]
            identification.base_url = call.base_url()
            identification.state = "running"
            identification.task = asyncio.ensure_future(self._play(identification))
        return response

    # The road

    async def _play(self, identification: Identification) -> None:
        script = identification.script
        log.info("agent: %s plays %s", identification.key, script.name)
        try:
            for index, step in enumerate(script.steps):
                if not await self._step(identification, index, step):
                    await self._give_up(identification)
                    return
            identification.state = "done"
            self._forgo_restart(identification)
            log.info("agent: %s: %s done", identification.key, script.name)
        except asyncio.CancelledError:
            identification.state = "failed"
            identification.failure = identification.failure or "stopped"
            raise
        except Exception as error:  # a fault of the agent must not take the service down
            log.exception("agent: %s: %s broke", identification.key, script.name)
            identification.state = "failed"
            identification.failure = f"the agent broke: {error!r}"

    async def _step(self, identification: Identification, index: int, step) -> bool:
        record = {"index": index, "at": self.channel.now()}
        identification.steps.append(record)
        if isinstance(step, Send):
            data = step.data
            if callable(data):
                data = data(RoadContext(identification.token, identification.base_url))
            command = {"command": step.command} if data is None else {"command": step.command, "data": data}
            record.update(kind="send", command=step.command, data=data)
            record["delivered"] = await self._push(identification, command)
            return True
        if isinstance(step, Chat):
            at = self.channel.now()
            entry = identification.add_chat("agent", step.content, at)
            data = {"content": step.content, "originator": ORIGINATOR, "timestamp": _timestamp()}
            record.update(kind="chat", command="chatMessage", data=data, chatId=entry["id"])
            record["delivered"] = await self._push(identification, {"command": "chatMessage", "data": data})
            return True
        if isinstance(step, NotifyWaitingUser):
            identification.notified = True
            record.update(kind="notify", result="the user may start again")
            return True
        if isinstance(step, ExpectChannel):
            record.update(kind="wait", calls=["event channel open"])
            found = await self._wait(identification, "event channel open",
                                     lambda: self._channel_token(identification))
            if found is None:
                return self._timed_out(identification, record, "event channel open")
            identification.channel_token = found
            record.update(result="arrived", arrivedAt=self.channel.now())
            return True
        if isinstance(step, Expect):
            what = " or ".join(step.calls)
            record.update(kind="wait", calls=list(step.calls))
            found = await self._wait(identification, what, lambda: identification.take(step.calls))
            if found is None:
                return self._timed_out(identification, record, what)
            record.update(result="arrived", arrivedAt=found["at"], call=found["call"],
                          detail=found["detail"])
            self._safe_point(identification)
            return True
        raise TypeError(f"not a step: {step!r}")

    def _timed_out(self, identification: Identification, record: dict, what: str) -> bool:
        record.update(result="timed out")
        identification.failure = f"step {record['index']}: no {what} within {identification.wait_seconds:g} s"
        log.warning("agent: %s: %s", identification.key, identification.failure)
        return False

    async def _give_up(self, identification: Identification) -> None:
        """A real agent ends a session that went wrong as failed; without a channel there is no
        one to tell."""
        identification.state = "failed"
        if identification.channel_token is not None:
            record = {"index": None, "at": self.channel.now(), "kind": "send", "command": "failed",
                      "data": None, "result": "the agent gave up"}
            identification.steps.append(record)
            record["delivered"] = await self._push(identification, {"command": "failed"})
        self._forgo_restart(identification)

    def _forgo_restart(self, identification: Identification) -> None:
        """A restart still due when the road ends is not made: its last commands may be on
        their way, and a restart then could lose them."""
        if identification.pending_restart is not None:
            identification.channel_restarts.append({"at": self.channel.now(), "skipped":
                                                    "the road ended before a safe point"})
            identification.pending_restart = None

    async def _wait(self, identification: Identification, what: str, found: Callable[[], Any]):
        identification.waiting_for = what
        loop = asyncio.get_running_loop()
        deadline = loop.time() + identification.wait_seconds
        try:
            while True:
                identification.changed.clear()
                result = found()
                if result is not None:
                    return result
                remaining = deadline - loop.time()
                if remaining <= 0:
                    return None
                try:
                    await asyncio.wait_for(identification.changed.wait(), min(POLL_SECONDS, remaining))
                except asyncio.TimeoutError:
                    pass
        finally:
            identification.waiting_for = None

    def _channel_token(self, identification: Identification) -> Optional[str]:
        for connection in self.channel.connections:
            if (fixtures.internal_token(connection.token) == identification.key
                    and connection.opened_at >= identification.started
                    and connection.end != "refused (restarting)"):
                return connection.token
        return None

    async def _push(self, identification: Identification, command: dict) -> int:
        delivered = await self.channel.push(identification.channel_token or identification.token,
                                            frame(command))
        log.info("agent: %s: %s (%s)", identification.key, command["command"],
                 f"{delivered} client(s)" if delivered else "queued")
        return delivered

    def _safe_point(self, identification: Identification) -> None:
        if identification.pending_restart is not None:
            self._restart(identification)

    def _restart(self, identification: Identification) -> dict:
        down = identification.pending_restart or 0.0
        identification.pending_restart = None
        dropped = self.channel.restart(down)
        entry = {"at": self.channel.now(), "downSeconds": down, "dropped": dropped,
                 "afterStep": len(identification.steps) - 1}
        identification.channel_restarts.append(entry)
        log.info("agent: %s: event channel restarted, %d connection(s) dropped", identification.key, dropped)
        return entry

    # What tests steer

    async def handle_control(self, request: web.Request, path: str) -> web.Response:
        if path == CONTROL_PATH and request.method == "GET":
            return json_answer(self._state())
        return await post_control(request, path, CONTROL_PATH, "agent", self._control)

    async def _control(self, action: str, control: dict) -> Optional[dict]:
        if action == "script":
            return self._choose(control)
        if action == "restartChannel":
            return self._restart_control(control)
        return None

    def _choose(self, control: dict) -> dict:
        token = _token(control)
        name = control.get("script")
        if name is not None and name not in SCRIPTS:
            raise ControlError(f"\"script\" must be null or one of {', '.join(SCRIPTS)}")
        wait = control.get("waitSeconds", DEFAULT_WAIT_SECONDS)
        if not isinstance(wait, (int, float)) or isinstance(wait, bool) or not 0 < wait <= 3600:
            raise ControlError("\"waitSeconds\" must be a number of seconds above 0, at most 3600")
        key = fixtures.internal_token(token)
        self.choices[key] = SCRIPTS[name] if name is not None else None
        self.wait_seconds[key] = float(wait)
        log.info("agent: %s will play %s", key, name or "nothing")
        return {"token": key, "script": name}

    def _restart_control(self, control: dict) -> dict:
        down = control.get("downSeconds", 1.0)
        if not isinstance(down, (int, float)) or isinstance(down, bool) or not 0 <= down <= 3600:
            raise ControlError("\"downSeconds\" must be a number of seconds from 0 to 3600")
        token = control.get("token")
        if token is not None and not isinstance(token, str):
            raise ControlError("\"token\" must be the transaction token")
        identification = self.identifications.get(fixtures.internal_token(token)) if token else None
        if identification is not None and identification.running():
            identification.pending_restart = float(down)
            return {"scheduled": True}
        dropped = self.channel.restart(float(down))
        return {"scheduled": False, "dropped": dropped, "at": self.channel.now()}

    def _state(self) -> dict:
        return {"scripts": {name: s.description for name, s in SCRIPTS.items()},
                "keywords": {s.keyword: name for name, s in SCRIPTS.items()},
                "choices": {token: s.name if s else None for token, s in self.choices.items()},
                "waitSeconds": DEFAULT_WAIT_SECONDS,
                "identifications": {key: i.progress() for key, i in self.identifications.items()},
                "now": self.channel.now()}


def _token(control: dict) -> str:
    token = control.get("token")
    if not isinstance(token, str) or not token:
        raise ControlError("\"token\" must be the transaction token")
    return token


def _member(call: Call, name: str) -> Any:
    body = call.json()
    return body.get(name) if isinstance(body, dict) else None


def _timestamp() -> str:
    # The chat's time format: "yyyy-MM-dd'T'HH:mm:ssZZ", e.g. "2024-05-01T10:00:00+0200".
    return datetime.now(timezone.utc).strftime("%Y-%m-%dT%H:%M:%S%z")
