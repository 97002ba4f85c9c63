"""What tests steer: chosen answers and the record of requests.

Control API (never recorded, never subject to chosen answers):
  POST /__sim/answers   {"method": "GET" | "*", "path": regex, "status": int, "body": text,
                         "contentType": text, "count": int (-1 every call), "delay": seconds}
                        The next `count` requests whose method matches and whose raw path
                        (percent-encoding kept, no query) fully matches `path` get this answer
                        after `delay` seconds. Status 0 keeps the service's own answer and only
                        delays it. The newest matching rule wins. Answers {"id": n}.
  POST /__sim/reset     forget every rule and the record (and the event channel's queues and
                        record, and the video server's links, through `reset_hooks`)
  GET  /__sim/requests  the record: [{"method", "path", "query", "headers", "body",
                        "bodyBase64", "json", "status"}, ...], oldest first
"""
import asyncio
import base64
import inspect
import json
import logging
import re
from dataclasses import dataclass
from typing import Any, Awaitable, Callable, Optional

from aiohttp import web

from .answers import json_answer

PREFIX = "/__sim/"
log = logging.getLogger("kavoni_sim")


class ControlError(Exception):
    """A control call that cannot be carried out; its text says why (answered 400)."""


async def control_object(request: web.Request) -> dict:
    """The body of a control call: a JSON object, none counting as {}."""
    try:
        control = json.loads((await request.read()).decode("utf-8") or "{}")
    except (UnicodeDecodeError, ValueError) as error:
        raise ControlError(f"the body is not JSON: {error}") from None
    if not isinstance(control, dict):
        raise ControlError("the body must be a JSON object")
    return control


def no_control_call(request: web.Request, path: str) -> web.Response:
    return web.Response(status=404, text=f"no control call {request.method} {path}\n")


async def post_control(request: web.Request, path: str, prefix: str, name: str,
                       act: Callable[[str, dict], Awaitable[Optional[dict]]]) -> web.Response:
    """A POST under `prefix`: `act(action, body)` gives the JSON answer, None when there is no
    such action, or raises ControlError for a call it refuses (400 "bad <name> call")."""
    if request.method != "POST" or not path.startswith(prefix + "/"):
        return no_control_call(request, path)
    try:
        answer = await act(path[len(prefix) + 1:], await control_object(request))
    except ControlError as error:
        return web.Response(status=400, text=f"bad {name} call: {error}\n")
    return no_control_call(request, path) if answer is None else json_answer(answer)


@dataclass
class AnswerRule:
    id: int
    method: str
    path: re.Pattern
    status: int
    body: str
    content_type: str
    remaining: int  # -1: every call
    delay: float

    def matches(self, method: str, path: str) -> bool:
        return (self.method in ("*", method.upper())) and self.path.fullmatch(path) is not None

    def answer(self) -> web.Response:
        headers = {"Content-Type": self.content_type} if self.content_type else None
        return web.Response(status=self.status, body=self.body.encode("utf-8"), headers=headers)


class Control:
    def __init__(self) -> None:
        self.rules: list[AnswerRule] = []
        self.record: list[dict] = []
        self._next_id = 1
        self.reset_hooks: list[Callable[[], None]] = []

    def reset(self) -> list[Awaitable]:
        """Forgets the rules and the record; gives what the hooks still have to finish (closing
        media links takes a moment), for the caller to await."""
        self.rules.clear()
        self.record.clear()
        pending = []
        for hook in self.reset_hooks:
            result = hook()
            if inspect.isawaitable(result):
                pending.append(result)
        return pending

    def add_rule(self, control: Any) -> AnswerRule:
        if not isinstance(control, dict):
            raise ValueError("the rule must be a JSON object")
        method = control.get("method", "*")
        path = control.get("path")
        status = control.get("status", 0)
        body = control.get("body", "")
        content_type = control.get("contentType", "application/json")
        count = control.get("count", -1)
        delay = control.get("delay", 0)
        if not isinstance(method, str) or not method:
            raise ValueError("\"method\" must be a method name or \"*\"")
        if not isinstance(path, str):
            raise ValueError("\"path\" must be a regular expression")
        if not isinstance(status, int) or not (status == 0 or 100 <= status <= 599):
            raise ValueError("\"status\" must be 0 or an HTTP status")
        if not isinstance(body, str) or not isinstance(content_type, str):
            raise ValueError("\"body\" and \"contentType\" must be texts")
        if not isinstance(count, int) or count == 0 or count < -1:
            raise ValueError("\"count\" must be -1 or a positive number")
        if not isinstance(delay, (int, float)) or delay < 0:
            raise ValueError("\"delay\" must be a number of seconds, 0 or more")
        try:
            pattern = re.compile(path)
        except re.error as error:
            raise ValueError(f"\"path\" is not a regular expression: {error}") from None
        rule = AnswerRule(self._next_id, method.upper(), pattern, status, body, content_type,
                          count, float(delay))
        self._next_id += 1
        self.rules.append(rule)
        return rule

    def take_rule(self, method: str, path: str) -> Optional[AnswerRule]:
        """The newest rule for this call, one use of it spent."""
        for rule in reversed(self.rules):
            if rule.matches(method, path):
                if rule.remaining > 0:
                    rule.remaining -= 1
                    if rule.remaining == 0:
                        self.rules.remove(rule)
                return rule
        return None

    def record_request(self, request: web.Request, path: str, query: str, body: bytes) -> dict:
        headers: dict[str, str] = {}
        for raw_name, raw_value in request.raw_headers:
            name, value = raw_name.decode("latin-1"), raw_value.decode("latin-1")
            headers[name] = f"{headers[name]}, {value}" if name in headers else value
        parsed = None
        if body and "json" in request.headers.get("Content-Type", "").lower():
            try:
                parsed = json.loads(body.decode("utf-8"))
            except (UnicodeDecodeError, ValueError):
                parsed = None
        entry = {
            "method": request.method,
            "path": path,
            "query": query,
            "headers": headers,
            "body": body.decode("utf-8", errors="replace"),
            "bodyBase64": base64.b64encode(body).decode("ascii"),
            "json": parsed,
            "status": None,
        }
        self.record.append(entry)
        return entry

    async def handle(self, request: web.Request, path: str) -> web.Response:
        if path == PREFIX + "answers" and request.method == "POST":
            try:
                control = json.loads((await request.read()).decode("utf-8"))
                rule = self.add_rule(control)
            except (UnicodeDecodeError, ValueError) as error:
                return web.Response(status=400, text=f"bad answer rule: {error}\n")
            log.info("answer rule %d: %s %s -> %s (count %d, delay %.2f s)", rule.id,
                     rule.method, rule.path.pattern, rule.status or "service's own",
                     rule.remaining, rule.delay)
            return json_answer({"id": rule.id})
        if path == PREFIX + "reset" and request.method == "POST":
            await asyncio.gather(*self.reset())
            log.info("reset")
            return json_answer({})
        if path == PREFIX + "requests" and request.method == "GET":
            return json_answer(self.record)
        return no_control_call(request, path)
