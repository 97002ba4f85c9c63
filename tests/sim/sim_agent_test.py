"""The simulated agent's roads, played against a small client that does what the app does: the
service's calls over HTTP and the event channel over a WebSocket or long polling.

Run with Debian's interpreter (python3-aiohttp): /usr/bin/python3 -m unittest discover -s
tests/sim -p '*_test.py'. Every wait is bounded generously; nothing here measures speed.
"""
import asyncio
import base64
import json
import os
import sys
import unittest
from typing import Optional

from aiohttp import ClientSession, WSMsgType
from aiohttp.test_utils import TestServer

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "sim"))

from kavoni_sim.agent_scripts import SCRIPTS, Chat, Send  # noqa: E402
from kavoni_sim.app import build_app  # noqa: E402

# Guards against a hang when something is broken; never a measure of speed.
PATIENCE = 60.0
LONG_POLLING = "?X-Atmosphere-Transport=long-polling&X-Atmosphere-TrackMessageSize=true&X-atmo-protocol=false"
# The smallest file that starts like a JPEG is all the service checks.
JPEG = base64.b64encode(b"\xff\xd8\xff\xe0" + bytes(64) + b"\xff\xd9").decode("ascii")
ENDINGS = ("finished", "failed")


def commands_of(script) -> list[str]:
    """The commands the road sends, in order."""
    return [step.command if isinstance(step, Send) else "chatMessage"
            for step in script.steps if isinstance(step, (Send, Chat))]


class AppSide:
    """What the app does during a video identification, reduced to the calls and the channel."""

    def __init__(self, http: ClientSession, base: str, token: str, transport: str,
                 codes=("123456",), answer_screenshots=True) -> None:
        self.http, self.base, self.token, self.transport = http, base, token, transport
        self.codes, self.answer_screenshots = codes, answer_screenshots
        self.internal: Optional[str] = None
        self.configuration: dict = {}
        self.start_statuses: list[int] = []
        self.start_answer: dict = {}
        self.received: list[dict] = []
        self.on_chat = None  # a test's hook, run before the app answers an agent's message
        self._messages: asyncio.Queue = asyncio.Queue()

    def ident(self, component: str = "") -> str:
        return f"{self.base}/api/v1/vellumbank/identifications/{self.internal}" + (
            "/" + component if component else "")

    async def call(self, method: str, url: str, body=None, raw: Optional[str] = None) -> tuple[int, str]:
        if raw is not None:
            kwargs = {"data": raw, "headers": {"Content-Type": "application/octet-stream"}}
        else:
            kwargs = {"json": body} if body is not None else {}
        async with self.http.request(method, url, **kwargs) as answer:
            return answer.status, await answer.text()

    async def run(self) -> list[dict]:
        """Plays the identification up to the agent's ending; the commands received."""
        status, text = await self.call("GET", f"{self.base}/api/v1/{self.token}")
        assert status == 200, text
        self.configuration = json.loads(text)
        self.internal = self.token
        status, text = await self.call("GET", self.ident())
        self.internal = json.loads(text)["internalToken"]
        await self._start()
        assert (await self.call("POST", self.ident("requestVideoChat"), {}))[0] == 200
        reader = asyncio.ensure_future(self._read_channel())
        try:
            while True:
                message = await self._messages.get()
                self.received.append(message)
                await self._answer(message)
                if message.get("command") in ENDINGS:
                    return self.received
        finally:
            reader.cancel()

    async def _start(self) -> None:
        body = {"token": self.internal, "clientInfo": {"os": "test"}}
        status, text = await self.call("POST", self.ident("start"), body)
        self.start_statuses.append(status)
        if status == 429:
            # On the waiting list: enrol, leave, and come back once notified.
            for component, payload in (("notificationSubscription", {"type": "APN", "subscriptionToken": "ab"}),
                                       ("waitingListEnrollment", {}), ("canceled", None)):
                assert (await self.call("POST", self.ident(component), payload))[0] == 200
            while not json.loads((await self.call("GET", self.ident()))[1])["waitingListNotified"]:
                await asyncio.sleep(0.05)
            status, text = await self.call("POST", self.ident("start"), body)
            self.start_statuses.append(status)
        assert status == 200, text
        self.start_answer = json.loads(text)

    async def _answer(self, message: dict) -> None:
        command, data = message.get("command"), message.get("data") or {}
        if command == "agentConnected":
            await self.call("POST", self.ident("setupComplete"), {})
        elif command == "takeScreenshot" and self.answer_screenshots:
            await self.call("POST", self.ident("uploadScreenshot/" + data["type"]), raw=JPEG)
        elif command == "chatMessage":
            if self.on_chat is not None:
                await self.on_chat(data)
            await self.call("POST", self.ident("chat/agent/sendMsg"), {"content": "Understood."})
        elif command == "idNumberDone" and "esigning" not in self.configuration["settings"]["processsteps"]:
            await self._ident_code()
        elif command == "startESigning":
            if "native" in data["consentProtocolVersion"]:
                await self.call("GET", self.ident("approvalPhrases"))
                await self._ident_code()
            else:
                await self.call("POST", self.ident("uploadScreenshot/signature"), raw=JPEG)
            await self.call("GET", data["url"])

    async def _ident_code(self) -> None:
        await self.call("POST", self.ident("resendConfirmationToken"), {"mobile": "+4915112345678"})
        for code in self.codes:
            await self.call("POST", self.ident("sendConfirmationToken"), {"confirmationToken": code})

    async def _read_channel(self) -> None:
        """Keeps the channel open as the app does: a failed or dropped connection is made again."""
        url = self.base + f"/api/v1/identifications/{self.internal}/websocket"
        while True:
            try:
                if self.transport == "websocket":
                    async with self.http.ws_connect(url) as ws:
                        async for frame in ws:
                            if frame.type == WSMsgType.TEXT:
                                self._take(frame.data)
                else:
                    status, text = await self.call("GET", url + LONG_POLLING)
                    if status == 200:
                        self._take(text)
                        continue
            except OSError:
                pass
            except Exception as error:  # aiohttp's own failures of a dropped connection
                if type(error).__module__.split(".")[0] != "aiohttp":
                    raise
            await asyncio.sleep(0.1)

    def _take(self, text: str) -> None:
        message = json.loads(text.partition("|")[2])
        if message.get("command") != "ping":
            self._messages.put_nowait(message)


class AgentTest(unittest.IsolatedAsyncioTestCase):
    async def asyncSetUp(self) -> None:
        self.server = TestServer(build_app(), host="127.0.0.1")
        await self.server.start_server()
        self.base = str(self.server.make_url("")).rstrip("/")
        self.http = ClientSession()

    async def asyncTearDown(self) -> None:
        await self.http.close()
        await self.server.close()

    async def control(self, method: str, path: str, body=None) -> tuple[int, object]:
        async with self.http.request(method, self.base + path, json=body) as answer:
            text = await answer.text()
            return answer.status, json.loads(text) if answer.content_type == "application/json" else text

    async def progress(self, token: str) -> dict:
        state = (await self.control("GET", "/__sim/agent"))[1]
        return state["identifications"][token + "-INT"]

    async def play(self, app: AppSide) -> list[dict]:
        return await asyncio.wait_for(app.run(), PATIENCE)

    async def test_each_road_sends_its_commands_in_order_and_ends_done(self):
        cases = [
            # token, transport, codes the user types
            ("DEVAGENTIDENT1", "websocket", ("123456",)),
            ("DEVAGENTIDENT2", "long-polling", ("000000", "123456")),
            ("DEVAGENTDOCUSIGN1", "websocket", ("123456",)),
            ("DEVAGENTNATIVE1", "long-polling", ("123456",)),
            ("DEVAGENTFAILS1", "websocket", ("123456",)),
            ("DEVAGENTWAITING1", "long-polling", ("123456",)),
            ("DEVAGENTNOVIDEO1", "websocket", ("123456",)),
        ]
        for token, transport, codes in cases:
            with self.subTest(token=token, transport=transport):
                app = AppSide(self.http, self.base, token, transport, codes=codes)
                received = await self.play(app)
                progress = await self.progress(token)
                script = SCRIPTS[progress["script"]]
                self.assertEqual([m["command"] for m in received], commands_of(script))
                self.assertEqual(progress["state"], "done", progress["failure"])
                self.assertIsNone(progress["waitingFor"])
                # The agent's chat store holds both sides, each message once, by its id.
                agent_lines = [m["data"]["content"] for m in received if m["command"] == "chatMessage"]
                self.assertEqual([c["content"] for c in progress["chat"] if c["from"] == "agent"], agent_lines)
                self.assertEqual([c["id"] for c in progress["chat"]], list(range(1, len(progress["chat"]) + 1)))
                self.assertEqual(len([c for c in progress["chat"] if c["from"] == "user"]), len(agent_lines))
                codes_seen = [(a["detail"], a["status"]) for a in progress["arrived"]
                              if a["call"] == "sendConfirmationToken"]
                if codes_seen:
                    self.assertEqual(codes_seen, [(c, 200 if c == "123456" else 400) for c in codes])
                    # Only the code the service took moves the agent on.
                    self.assertEqual([s["detail"] for s in progress["steps"]
                                      if s.get("call") == "sendConfirmationToken"], ["123456"])
                self.assertEqual(app.start_statuses, [429, 200] if script.waiting_list else [200])
                server = app.configuration["settings"]["videoserver"]
                used = app.start_answer["request"]["videoserverUsed"]
                self.assertEqual((server, used), ("KAVONI", "KAVONI") if script.video_server
                                 else ("DISABLED", "DISABLED"))
                self.assertEqual("esigning" in app.configuration["settings"]["processsteps"], script.esigning)
                # The waiting list's road calls back by SMS: an enrolment by push needs a host
                # that answers the push registration.
                self.assertEqual(app.configuration["settings"]["waitingList"]["ios"]["channel"],
                                 "SMS" if script.waiting_list else "PUSH")

    async def test_a_road_chosen_by_control_and_none_without(self):
        status, answer = await self.control("POST", "/__sim/agent/script", {"token": "DEV0001", "script": "docusign"})
        self.assertEqual((status, answer), (200, {"token": "DEV0001-INT", "script": "docusign"}))
        received = await self.play(AppSide(self.http, self.base, "DEV0001", "websocket"))
        self.assertEqual([m["command"] for m in received], commands_of(SCRIPTS["docusign"]))

        # A token that names no road is answered as before, and no agent speaks on its channel.
        app = AppSide(self.http, self.base, "DEV0002", "long-polling")
        app.internal = "DEV0002-INT"
        await app._start()
        await self.control("POST", "/__sim/channel/config", {"holdSeconds": 0.2})
        status, text = await app.call("GET", f"{self.base}/api/v1/identifications/DEV0002-INT/websocket{LONG_POLLING}")
        self.assertEqual((status, text), (200, '18|{"command":"ping"}'))
        state = (await self.control("GET", "/__sim/agent"))[1]
        self.assertEqual(list(state["identifications"]), ["DEV0001-INT"])

    async def test_bad_control_calls_get_a_clear_error(self):
        cases = [
            ("/__sim/agent/script", b"{", "not JSON"),
            ("/__sim/agent/script", b"[]", "JSON object"),
            ("/__sim/agent/script", b'{"script": "docusign"}', "token"),
            ("/__sim/agent/script", b'{"token": "DEV1", "script": "dance"}', "one of"),
            ("/__sim/agent/script", b'{"token": "DEV1", "script": null, "waitSeconds": 0}', "waitSeconds"),
            ("/__sim/agent/restartChannel", b'{"downSeconds": -1}', "downSeconds"),
            ("/__sim/agent/restartChannel", b'{"token": 7}', "token"),
        ]
        for path, body, complaint in cases:
            with self.subTest(body=body):
                async with self.http.post(self.base + path, data=body) as answer:
                    self.assertEqual(answer.status, 400)
                    self.assertIn(complaint, await answer.text())
        async with self.http.post(self.base + "/__sim/agent/dance", data=b"{}") as answer:
            self.assertEqual(answer.status, 404)

    async def test_the_roads_kept_are_bounded_whatever_tokens_the_app_starts(self):
        tokens = [f"DEVAGENTIDENT-{n}" for n in range(205)]
        for token in tokens:
            async with self.http.post(f"{self.base}/api/v1/vellumbank/identifications/{token}/start",
                                      json={"token": token, "clientInfo": {}}) as answer:
                self.assertEqual(answer.status, 200)
        kept = (await self.control("GET", "/__sim/agent"))[1]["identifications"]
        self.assertEqual(len(kept), 200)
        self.assertIn("DEVAGENTIDENT-204-INT", kept)
        self.assertNotIn("DEVAGENTIDENT-0-INT", kept)

    async def test_a_wait_that_runs_out_is_a_failed_step_and_the_agent_ends_the_session(self):
        await self.control("POST", "/__sim/agent/script",
                           {"token": "DEV0003", "script": "identification", "waitSeconds": 0.5})
        app = AppSide(self.http, self.base, "DEV0003", "websocket", answer_screenshots=False)
        received = await self.play(app)
        self.assertEqual(received[-1], {"command": "failed"})
        progress = await self.progress("DEV0003")
        self.assertEqual(progress["state"], "failed")
        self.assertIn("uploadScreenshot/FACESCREENSHOT", progress["failure"])
        timed_out = [s for s in progress["steps"] if s.get("result") == "timed out"]
        self.assertEqual([s["calls"] for s in timed_out], [["uploadScreenshot/FACESCREENSHOT"]])
        # The service itself goes on.
        status, _ = await app.call("GET", f"{self.base}/api/v1/vellumbank")
        self.assertEqual(status, 200)

    async def test_a_channel_restart_mid_road_loses_and_doubles_no_message(self):
        for transport in ("websocket", "long-polling"):
            with self.subTest(transport=transport):
                token = "DEVAGENTNATIVE-" + transport.upper()
                app = AppSide(self.http, self.base, token, transport)
                restarts = []

                async def restart_once(_data):
                    if not restarts:
                        restarts.append((await self.control("POST", "/__sim/agent/restartChannel",
                                                            {"token": token, "downSeconds": 0.3}))[1])
                app.on_chat = restart_once
                received = await self.play(app)
                progress = await self.progress(token)
                self.assertEqual(restarts, [{"scheduled": True}])
                self.assertEqual(progress["state"], "done", progress["failure"])
                self.assertEqual(len(progress["channelRestarts"]), 1)
                # Every command once and in order, the chat ones among them.
                self.assertEqual([m["command"] for m in received], commands_of(SCRIPTS["nativeConsent"]))
                sent = [c["content"] for c in progress["chat"] if c["from"] == "agent"]
                self.assertEqual([m["data"]["content"] for m in received if m["command"] == "chatMessage"], sent)
                ends = [c["end"] for c in (await self.control("GET", "/__sim/channel"))[1]["connections"]
                        if c["token"] == token + "-INT"]
                # A WebSocket stays open all along; a long-polling app may be between two polls
                # at the restart, and then meets the channel while it is down.
                if transport == "websocket":
                    self.assertIn("restart", ends)
                    self.assertGreaterEqual(progress["channelRestarts"][0]["dropped"], 1)
                else:
                    self.assertTrue({"restart", "refused (restarting)"} & set(ends), ends)


if __name__ == "__main__":
    unittest.main()
