"""The web application: every request passes through `dispatch`, which records it, applies a
chosen answer when a test set one, and otherwise hands it to the service's routes. The event
channel's handshakes and polls keep a record of their own (channel.py) but take chosen answers
like every other call."""
import asyncio
import logging

from aiohttp import web

from . import rest
from .agent import CONTROL_PATH as AGENT_CONTROL, Agent
from .answers import error_answer
from .channel import CONTROL_PATH as CHANNEL_CONTROL, Channel
from .control import PREFIX, Control
from .routing import Call, Router
from .videoserver import CONTROL_PATH as VIDEO_CONTROL, VideoServer

log = logging.getLogger("kavoni_sim")


def build_app() -> web.Application:
    router = Router()
    channel = Channel()
    video = VideoServer(now=channel.now)
    video.register(router)
    agent = Agent(channel)
    agent.register(router)  # before the service's routes: it watches the calls it hands on
    rest.register(router)
    channel_router = Router()
    channel.register(channel_router)
    control = Control()
    control.reset_hooks.append(channel.reset)
    control.reset_hooks.append(video.reset)
    control.reset_hooks.append(agent.reset)

    async def take_rule(request: web.Request, path: str):
        rule = control.take_rule(request.method, path)
        if rule is not None and rule.delay > 0:
            try:
                await asyncio.sleep(rule.delay)
            except asyncio.CancelledError:
                log.info("%s %s: the client left before the answer (answer rule %d)",
                         request.method, path, rule.id)
                raise
        return rule

    async def dispatch_channel(request: web.Request, path: str, query: str) -> web.StreamResponse:
        handler, params, _ = channel_router.resolve(request.method, path)
        rule = await take_rule(request, path)
        if rule is not None and rule.status:
            log.info("%s %s -> %d (answer rule %d)", request.method, path, rule.status, rule.id)
            return rule.answer()
        if handler is None:
            return error_answer(405, "METHOD_NOT_ALLOWED")
        return await handler(Call(request, params, b"", query))

    async def dispatch(request: web.Request) -> web.StreamResponse:
        path, _, query = request.raw_path.partition("?")
        if path == CHANNEL_CONTROL or path.startswith(CHANNEL_CONTROL + "/"):
            return await channel.handle_control(request, path)
        if path == VIDEO_CONTROL or path.startswith(VIDEO_CONTROL + "/"):
            return await video.handle_control(request, path)
        if path == AGENT_CONTROL or path.startswith(AGENT_CONTROL + "/"):
            return await agent.handle_control(request, path)
        if path.startswith(PREFIX):
            return await control.handle(request, path)
        if channel_router.resolve(request.method, path)[2]:
            return await dispatch_channel(request, path, query)

        body = await request.read()
        entry = control.record_request(request, path, query, body)
        rule = await take_rule(request, path)
        if rule is not None and rule.status:
            response = rule.answer()
        else:
            handler, params, path_known = router.resolve(request.method, path)
            if handler is None:
                response = error_answer(405 if path_known else 404,
                                        "METHOD_NOT_ALLOWED" if path_known else "OBJECT_NOT_FOUND")
            else:
                response = await handler(Call(request, params, body, query))
        entry["status"] = response.status
        log.info("%s %s%s -> %d%s", request.method, path, "?" + query if query else "",
                 response.status, f" (answer rule {rule.id})" if rule is not None else "")
        return response

    app = web.Application(client_max_size=64 * 1024 * 1024)
    app["control"] = control
    app["router"] = router
    app["channel"] = channel
    app["video"] = video
    app["agent"] = agent

    async def close_channel(_: web.Application) -> None:
        agent.reset()
        await asyncio.gather(channel.shutdown(), video.shutdown())
    app.on_shutdown.append(close_channel)
    app.router.add_route("*", "/{tail:.*}", dispatch)
    return app
